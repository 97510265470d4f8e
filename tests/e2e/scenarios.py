"""The scenarios of the end-to-end suite, one TestCase class per group. Each
test starts the real Velmora.exe once or more and checks only what a user
sees or gets: window texts, list contents, painted pixels, the clipboard, the
export file, Notepad, the question box and the program's end."""

import os
import time
import unittest
from collections import Counter

import expected as ex
from driver import (Failure, Screenshot, centre, click, double_click, focus_by_click, is_dark, is_red,
                    key, log, move, wait_for)


class Scenarios(unittest.TestCase):
    session = None  # set by run_e2e.py

    @property
    def demo(self):
        return self.session.demo

    @property
    def probe(self):
        return self.session.probe

    def page_lists(self):
        """The rows both lists should hold, from the page the site serves in
        its normal mode (the mode of the runs that use it)."""
        self.demo.set(mode="normal")
        return ex.lists_from_page(self.demo.get("/").decode("utf-8"))

    def started(self, run):
        """The main window up and its controls found."""
        run.main_window()
        return run.controls()

    def loaded(self, run):
        controls = self.started(run)
        run.wait_loaded(controls["status"])
        return controls

    # --- pop-up menus ---

    def pick_from_menu(self, x, y, item):
        """Right-click at (x, y), check where the menu opens, and pick its
        item number `item` (separators are skipped by the keyboard)."""
        click(x, y, 3)
        menu = wait_for("the pop-up menu", lambda: [w for w in self.probe.windows()
                                                    if w["class"] == "#32768"], 5)[0]
        self.assertEqual(menu["rect"][:2], [x + 3, y + 3],
                         "the menu opens with its top-left corner 3 pixels right of and below the cursor")
        key(*(["Down"] * (item + 1)), "Return")
        wait_for("the menu to close",
                 lambda: not [w for w in self.probe.windows() if w["class"] == "#32768"], 5)

    def copied(self, x, y, item):
        """The CF_TEXT bytes a copy item leaves on the clipboard."""
        sentinel = "e2e-clipboard-before-the-copy"
        self.probe.call("setclipboard", sentinel)
        self.pick_from_menu(x, y, item)

        def changed():
            now = self.probe.clipboard_hex()
            return (now,) if now is not None and now != sentinel.encode().hex() else None
        return bytes.fromhex(wait_for("the clipboard to change", changed, 5)[0])

    # --- pixels ---

    def check_painted(self, shot, listing, rows, red, name):
        """Every visible cell: red text exactly where it should be, black text
        elsewhere, and the row's stripe (white for even rows, light
        blue-grey for odd ones; a red cell keeps the list's white)."""
        client = listing["client"]
        problems = []
        for r, row in enumerate(listing["rows"]):
            for c, rect in enumerate(row["rects"]):
                left, top = max(rect[0], client[0]) + 2, max(rect[1], client[1]) + 1
                right, bottom = min(rect[2], client[2]) - 2, min(rect[3], client[3]) - 2
                if right - left < 4 or bottom - top < 4:
                    continue  # a hidden column, or one outside the list
                pixels = list(shot.region((left, top, right, bottom)))
                back = Counter(pixels).most_common(1)[0][0]
                want_back = ex.WHITE if (r, c) in red or r % 2 == 0 else ex.STRIPE
                reds = sum(1 for p in pixels if is_red(p))
                darks = sum(1 for p in pixels if is_dark(p))
                where = "%s row %d column %d (%r)" % (name, r, c, rows[r][c])
                if back != want_back:
                    problems.append("%s: background %r, expected %r" % (where, back, want_back))
                if (r, c) in red and reds < 5:
                    problems.append("%s: not drawn in red (%d red pixels)" % (where, reds))
                if (r, c) not in red and reds:
                    problems.append("%s: %d red pixels in a cell that is not red" % (where, reds))
                if (r, c) not in red and rows[r][c] and darks < 5:
                    problems.append("%s: no black text seen" % where)
        self.assertFalse(problems, "\n".join(problems))


class ListsScenarios(Scenarios):
    def test_status_bar_reports_the_loading(self):
        """While the page is held back by the site, part 1 of the status bar
        reads the fetching text and the upcoming list is disabled; then it
        goes on to the done text. Part 2 shows the hint all the time."""
        with self.session.run("status", mode="stall", stall=3) as run:
            controls = self.started(run)
            seen = []  # (part 1 text, upcoming list enabled)
            hints = set()
            deadline = time.monotonic() + 30
            while time.monotonic() < deadline:
                # Three reads from outside are not one moment: keep a sample
                # only when the status did not change around the list's state.
                parts = run.status(controls["status"])
                enabled = run.list(controls["upcoming"])["enabled"]
                after = run.status(controls["status"])
                hints.add(parts[2])
                if after[1] != parts[1]:
                    continue
                if not seen or seen[-1] != (parts[1], enabled):
                    seen.append((parts[1], enabled))
                if parts[1] == ex.STATUS_DONE:
                    break
                time.sleep(0.02)
            texts = [t for t, _ in seen]
            log("status part 1 as seen from outside: %r" % seen)
            self.assertEqual(hints, {ex.STATUS_HINT})
            self.assertIn(ex.STATUS_FETCHING, texts, "the fetching text was never seen during a 3 s stall")
            self.assertEqual(texts[-1], ex.STATUS_DONE)
            order = ["", ex.STATUS_FETCHING, ex.STATUS_LOADING, ex.STATUS_DONE]
            self.assertLessEqual(set(texts), set(order), "only the loader's texts appear")
            distinct = [t for i, t in enumerate(texts) if i == 0 or texts[i - 1] != t]
            self.assertEqual(distinct, sorted(distinct, key=order.index),
                             "the texts come in the order fetching, loading, done")
            self.assertEqual(len(set(distinct)), len(distinct), "no text comes back")
            # The job shows the fetching text a moment before it disables the
            # list; from then on the list stays disabled until the page is in.
            fetching = [enabled for t, enabled in seen if t == ex.STATUS_FETCHING]
            self.assertIn(False, fetching, "the upcoming list is disabled while the page is being fetched")
            self.assertNotIn(True, fetching[fetching.index(False):],
                             "the upcoming list stays disabled while the page is being fetched")
            self.assertTrue(seen[-1][1], "the upcoming list is enabled at the end")
            if ex.STATUS_LOADING not in texts:
                log("note: the loading text passed too quickly to be seen from outside")
            self.assertIn("GET /", self.demo.requests())

    def test_lists_show_the_page(self):
        """Caption, tabs, headers, every row and cell of both lists as the page
        holds them, and how they are painted."""
        upcoming_rows, issued_rows = self.page_lists()
        red_up, red_issued = ex.red_cells(upcoming_rows, issued_rows)
        self.assertTrue(upcoming_rows and issued_rows and red_up and red_issued,
                        "the demo page has rows and red cells to look at")
        with self.session.run("lists") as run:
            window = run.main_window()
            self.assertEqual(window["title"], ex.CAPTION)
            self.assertEqual(window["rect"][:2], [50, 50])
            controls = run.controls()
            tabs = self.probe.call("tabs", controls["tabs"])
            self.assertEqual([i["text"] for i in tabs["items"]], list(ex.TAB_TEXTS))
            self.assertEqual(tabs["selected"], 0)
            run.wait_loaded(controls["status"])
            self.assertEqual(run.status(controls["status"]), ["", ex.STATUS_DONE, ex.STATUS_HINT])

            for name, hwnd, headers, rows, visible in (
                    ("upcoming", controls["upcoming"], ex.UPCOMING_HEADERS, upcoming_rows, True),
                    ("issued", controls["issued"], ex.ISSUED_HEADERS, issued_rows, False)):
                listing = run.list(hwnd)
                self.assertEqual([c["text"] for c in listing["columns"]], list(headers), name)
                self.assertEqual(listing["visible"], visible, name)
                self.assertTrue(listing["enabled"], name)
                self.assertEqual([r["cells"] for r in listing["rows"]], rows, name)
            hidden = [i for i, c in enumerate(run.list(controls["issued"])["columns"]) if c["width"] == 0]
            self.assertEqual(hidden, list(ex.ISSUED_HIDDEN))

            move(1200, 1000)  # the pointer away from the lists
            time.sleep(0.3)
            shot = Screenshot()
            shot.save(os.path.join(run.folder, "upcoming.ppm"))
            self.check_painted(shot, run.list(controls["upcoming"]), upcoming_rows, red_up, "upcoming")

            run.select_page(controls, 1)
            issued = run.list(controls["issued"])
            self.assertTrue(issued["visible"])
            self.assertFalse(run.list(controls["upcoming"])["visible"])
            move(1200, 1000)
            time.sleep(0.3)
            shot = Screenshot()
            shot.save(os.path.join(run.folder, "issued.ppm"))
            self.check_painted(shot, issued, issued_rows, red_issued, "issued")


class CommandsScenarios(Scenarios):
    # (page, list, row or None for the empty space under the rows, menu item, column, after colon)
    COPY_CASES = (
        (0, "upcoming", 2, 0, 0, False),     # 复制股票名称
        (0, "upcoming", 3, 1, 2, True),      # 复制申购代码
        (0, "upcoming", None, 0, 0, False),  # no row selected: an empty text
        (1, "issued", 4, 0, 0, False),       # 复制股票名称
        (1, "issued", 5, 1, 1, False),       # 复制中签率 (column 1, whatever its header says)
        (1, "issued", 6, 2, 7, True),        # 复制交易代码 (column 7)
    )

    def copy_cases(self, run, controls, cases, rows_by_list):
        current_page = 0
        for page, name, row, item, column, colon in cases:
            with self.subTest(list=name, row=row, item=item):
                if page != current_page:
                    run.select_page(controls, page)
                    current_page = page
                run.focus(controls)
                listing = run.list(controls[name])
                if row is None:
                    last = listing["rows"][-1]["rects"][0]
                    x, y = last[0] + 20, min(last[3] + 60, listing["client"][3] - 10)
                    want = b""
                else:
                    x, y = centre(listing["rows"][row]["rects"][0])
                    text = rows_by_list[name][row][column]
                    want = ex.gbk(ex.after_colon(text) if colon else text)
                got = self.copied(x, y, item)
                self.assertEqual(got, want, "CF_TEXT bytes: %r, expected %r" % (got, want))
                selected = [i for i, r in enumerate(run.list(controls[name])["rows"]) if r["selected"]]
                self.assertEqual(selected, [] if row is None else [row])

    def test_copy_commands(self):
        upcoming_rows, issued_rows = self.page_lists()
        with self.session.run("copy") as run:
            controls = self.loaded(run)
            self.copy_cases(run, controls, self.COPY_CASES,
                            {"upcoming": upcoming_rows, "issued": issued_rows})

    def test_copy_after_colon(self):
        """Codes written with a prefix: the copy takes what follows the first
        ASCII colon; a full-width colon does not count."""
        page = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures", "colons.html")
        with open(page, encoding="utf-8") as f:
            upcoming_rows, issued_rows = ex.lists_from_page(f.read())
        cases = ((0, "upcoming", 0, 1, 2, True),   # 沪:787:901 -> 787:901
                 (0, "upcoming", 1, 1, 2, True),   # 深：301902, whole
                 (0, "upcoming", 2, 1, 2, True),   # 代码: -> empty
                 (1, "issued", 0, 2, 7, True),     # 上限:0.85万 -> 0.85万
                 (1, "issued", 1, 2, 7, True))     # 0.60万, whole
        with self.session.run("colons", mode="fixture", page=page) as run:
            controls = self.loaded(run)
            for name, rows in (("upcoming", upcoming_rows), ("issued", issued_rows)):
                self.assertEqual([r["cells"] for r in run.list(controls[name])["rows"]], rows, name)
            self.copy_cases(run, controls, cases, {"upcoming": upcoming_rows, "issued": issued_rows})

    def test_export_opens_notepad(self):
        """导出所有文本 writes the list into the data folder and shows it in
        Notepad, from either list."""
        upcoming_rows, issued_rows = self.page_lists()
        export = os.path.join(self.session.data_folder(), "文本导出.txt")
        with self.session.run("export") as run:
            controls = self.loaded(run)
            notice = os.path.join(self.session.drive_d, "Karrow", "用户注意.txt")
            with open(notice, "rb") as f:
                self.assertEqual(f.read(), ex.gbk(
                    "本目录为数据保存目录,用户请勿手动修改或删除本目录下任何文件,以免相应的软件运行出错\r\n"))
            run.focus(controls)
            for page, name, rows, item, row in ((0, "upcoming", upcoming_rows, 2, 5),
                                                (1, "issued", issued_rows, 3, 1)):
                with self.subTest(list=name):
                    if page:
                        run.select_page(controls, page)
                    run.focus(controls)
                    if os.path.exists(export):
                        os.remove(export)
                    before = {w["hwnd"] for w in self.probe.windows() if w["class"] == "Notepad"}
                    listing = run.list(controls[name])
                    self.pick_from_menu(*centre(listing["rows"][row]["rects"][0]), item)
                    notepad = wait_for("Notepad", lambda: [w for w in self.probe.windows()
                                                           if w["class"] == "Notepad"
                                                           and w["hwnd"] not in before], 15)[0]
                    with open(export, "rb") as f:
                        data = f.read()
                    want = ex.export_bytes(rows, issued=name == "issued")
                    self.assertEqual(data, want)
                    edit = [c for c in self.probe.children(notepad["hwnd"]) if c["class"].lower() == "edit"]
                    self.assertTrue(edit, "Notepad has its edit box")
                    shown = wait_for("Notepad to show the file",
                                     lambda: self.probe.text(edit[0]["hwnd"]), 10)
                    self.assertEqual(shown, want.decode("gbk"))
                    notepad = self.probe.window(notepad["hwnd"])
                    self.assertIn("文本导出.txt", notepad["title"])
                    self.close_notepad(notepad)

    def close_notepad(self, notepad):
        focus_by_click(notepad["title"], *centre(notepad["client"]))
        key("alt+F4")
        try:
            wait_for("Notepad to close", lambda: not self.probe.window(notepad["hwnd"])["exists"], 5)
        except Failure:
            self.probe.call("close", notepad["hwnd"])
            raise


class WinningScenarios(Scenarios):
    def winning_window(self):
        found = [w for w in self.probe.windows() if w["title"] == "中签号"]
        return found[0] if found else None

    def test_double_click_shows_the_winning_numbers(self):
        upcoming_rows, issued_rows = self.page_lists()
        # Fetched before the run, whose request log must hold Velmora's requests only.
        articles = {row[11]: ex.article_text(self.demo.get("/newspage.aspx?id=" + row[11]))
                    for row in issued_rows if row[11]}
        with self.session.run("winning") as run:
            controls = self.loaded(run)
            run.focus(controls)
            run.select_page(controls, 1)
            listing = run.list(controls["issued"])
            with_article = [r for r, row in enumerate(issued_rows) if row[11]]
            without = [r for r, row in enumerate(issued_rows) if not row[11]]
            self.assertTrue(len(with_article) >= 2 and without)
            for row in with_article[:2]:
                with self.subTest(row=row):
                    want = articles[issued_rows[row][11]]
                    double_click(*centre(listing["rows"][row]["rects"][2]))
                    window = wait_for("the 中签号 window", self.winning_window, 10)
                    self.assertEqual(window["owner"], run.hwnd, "the window belongs to the main window")
                    children = self.probe.children(window["hwnd"])
                    box = [c for c in children if c["class"].lower() == "edit"]
                    self.assertTrue(box, "the window has its text box")
                    shown = wait_for("the winning numbers", lambda: self.probe.text(box[0]["hwnd"]), 15)
                    self.assertEqual(shown, want)
                    children = self.probe.children(window["hwnd"])
                    button = [c for c in children if c["title"] == "关闭"]
                    self.assertTrue(button and button[0]["enabled"], "the 关闭 button is there and enabled")
                    self.assertFalse([c for c in children if c["title"] == ex.STATUS_LOADING and c["visible"]],
                                     "the loading label is hidden once the text is shown")
                    click(*centre(button[0]["rect"]))
                    wait_for("the 中签号 window to close", lambda: not self.winning_window(), 5)
            double_click(*centre(listing["rows"][without[0]]["rects"][2]))
            time.sleep(1.5)
            self.assertIsNone(self.winning_window(), "a row without an article opens nothing")
            self.assertEqual([r for r in self.demo.requests() if "newspage" in r],
                             ["GET /newspage.aspx?id=" + issued_rows[r][11] for r in with_article[:2]])


class VersionScenarios(Scenarios):
    def question_box(self):
        found = [w for w in self.probe.windows() if w["class"] == "#32770" and w["title"] == "升级提示"]
        return found[0] if found else None

    def ask(self, run):
        """Waits for the question and checks it; gives the box."""
        box = wait_for("the 升级提示 question", self.question_box, 20)
        statics = [c for c in self.probe.children(box["hwnd"]) if c["class"].lower() == "static" and c["title"]]
        self.assertEqual([s["title"] for s in statics], [ex.question_text("10.2", "10.1")])
        self.assertTrue(run.main_state()["iconic"], "the main window is minimised while asking")
        return box

    def button(self, box, control_id):
        found = [c for c in self.probe.children(box["hwnd"]) if c["class"].lower() == "button"
                 and c["id"] == control_id]
        self.assertTrue(found, "the question has button %d" % control_id)
        return found[0]

    def download(self):
        """The new version as the site serves it, fetched before a run (the
        run's request log must hold the program's requests only)."""
        return self.demo.get("/download/Velmora.exe")

    def updater_result(self, run, download):
        """Waits for the updater to fetch the new version and put it in place
        of the program's file; gives the names of the folder's files that
        hold its bytes and the updater windows seen meanwhile."""
        seen = {}

        def installed():
            for w in self.probe.windows():
                if w["exe"].lower().endswith("update.exe") and w["hwnd"] not in seen:
                    seen[w["hwnd"]] = w
                    log("%s: the updater shows %r" % (run.name, w["title"]))
            names = []
            for name in sorted(os.listdir(run.folder)):
                try:
                    with open(os.path.join(run.folder, name), "rb") as f:
                        if f.read() == download:
                            names.append(name)
                except FileNotFoundError:  # the updater's temporary file, just moved into place
                    return None
            # Installed: the program's own file now holds the new version.
            return names if "Velmora.exe" in names else None
        try:
            names = wait_for("the new version in place of the program's Velmora.exe", installed, 15)
        except Failure:
            fetched = "GET /download/Velmora.exe" in self.demo.requests()
            texts = []
            for hwnd in seen:
                texts += [c["title"] or self.probe.text(c["hwnd"]) for c in self.probe.children(hwnd)]
            raise Failure("the new version did not arrive in %s (download requested: %s; updater windows: "
                          "%d; their texts: %r)" % (run.folder, fetched, len(seen), [t for t in texts if t])) from None
        log("%s: the download is in %r" % (run.name, names))
        self.assertIn("GET /download/Velmora.exe", self.demo.requests())
        return names, list(seen)

    def test_newer_version_answered_no(self):
        self.session.delete_last_check_date()
        with self.session.run("version-no", version="newer") as run:
            self.started(run)
            box = self.ask(run)
            click(*centre(self.button(box, 7)["rect"]))  # 否 (IDNO)
            wait_for("the main window back in its normal state",
                     lambda: (lambda s: s["visible"] and not s["iconic"])(run.main_state()), 5)
            self.assertIsNone(self.question_box())
            time.sleep(1.5)
            self.assertIsNone(run.process.poll(), "the program goes on after No")
            requests = self.demo.requests()
            self.assertIn("GET /ver/myver.txt", requests)
            self.assertFalse([r for r in requests if "/download/" in r], "nothing is downloaded after No")

    def test_newer_version_answered_yes(self):
        self.session.delete_last_check_date()
        download = self.download()
        with self.session.run("version-yes", version="newer") as run:
            self.started(run)
            box = self.ask(run)
            click(*centre(self.button(box, 6)["rect"]))  # 是 (IDYES)
            clicked = time.monotonic()
            self.assertEqual(run.wait_exit(20), 0)
            log("version-yes: Velmora ended %.2f s after Yes" % (run.ended_at - clicked))
            names, windows = self.updater_result(run, download)
            self.assertTrue(windows, "the updater showed a window")
            self.assertTrue(names)

    def test_forced_version_updates_without_asking(self):
        self.session.delete_last_check_date()
        download = self.download()
        with self.session.run("version-forced", version="forced") as run:
            self.started(run)
            shown = time.monotonic()
            asked = False
            deadline = time.monotonic() + 20
            while run.process.poll() is None and time.monotonic() < deadline:
                asked = asked or self.question_box() is not None
                time.sleep(0.05)
            self.assertFalse(asked, "a forced update asks nothing")
            self.assertEqual(run.wait_exit(1), 0)
            log("version-forced: Velmora ended %.2f s after its window appeared" % (run.ended_at - shown))
            names, _ = self.updater_result(run, download)
            self.assertTrue(names)


class CloseScenarios(Scenarios):
    def test_closing_while_the_page_downloads(self):
        """Alt+F4 while the site holds the page back ends the program at once
        with exit code 0."""
        with self.session.run("close", mode="stall", stall=60) as run:
            controls = self.started(run)
            wait_for("the fetching text", lambda: run.status(controls["status"])[1] == ex.STATUS_FETCHING, 10)
            wait_for("the page request", lambda: "GET /" in self.demo.requests(), 10)
            run.focus(controls)
            time.sleep(0.2)
            self.assertEqual(run.status(controls["status"])[1], ex.STATUS_FETCHING, "still downloading")
            pressed = time.monotonic()
            key("alt+F4")
            self.assertEqual(run.wait_exit(15), 0)
            log("close: Velmora ended %.2f s after Alt+F4, the page still held back" % (run.ended_at - pressed))


GROUPS = {
    "lists": ListsScenarios,
    "commands": CommandsScenarios,
    "winning": WinningScenarios,
    "version": VersionScenarios,
    "close": CloseScenarios,
}

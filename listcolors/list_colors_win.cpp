#include "listcolors/list_colors_win.h"

#include <commctrl.h>

#include "app/window_thread_win.h"

namespace velmora {
namespace {

struct ColorHook {
    CellColorRegistry registry;
    bool installed = false;
    HWND window = nullptr;
    WNDPROC previousProc = nullptr;
};

ColorHook& Hook() {
    // Left to the end of the process: a job may still be carrying a setter
    // over while the program ends.
    static ColorHook* hook = new ColorHook;
    return *hook;
}

ListOwnColors OwnColorsOf(HWND list) {
    return ListOwnColors{static_cast<uint32_t>(ListView_GetTextColor(list)),
                         static_cast<uint32_t>(ListView_GetTextBkColor(list))};
}

ListKey KeyOf(HWND list) { return reinterpret_cast<ListKey>(list); }

void InstallHook(HWND hookWindow) {
    ColorHook& hook = Hook();
    if (hook.installed) return;
    // The W form keeps the window a Unicode window: its texts stay in UTF-16.
    hook.previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hookWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListHookProc)));
    hook.window = hookWindow;
    hook.installed = true;
}

void Redraw(HWND list) {
    // Every cell is drawn again; a list on a page that is not selected stays hidden.
    InvalidateRect(list, nullptr, TRUE);
}

DrawStage StageOf(DWORD stage) {
    switch (stage) {
        case CDDS_PREPAINT:
            return DrawStage::Prepaint;
        case CDDS_ITEMPREPAINT:
            return DrawStage::ItemPrepaint;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            return DrawStage::SubItemPrepaint;
        default:
            return DrawStage::Other;
    }
}

}  // namespace

void SetCellColor(HWND hookWindow, HWND list, int row, int column, COLORREF textColor,
                  std::optional<COLORREF> backColor) {
    RunOnWindowThread([&] {
        InstallHook(hookWindow);
        std::optional<uint32_t> back;
        if (backColor) back = static_cast<uint32_t>(*backColor);
        if (Hook().registry.SetCellColor(KeyOf(list), row, column, textColor, back,
                                         OwnColorsOf(list))) {
            Redraw(list);
        }
    });
}

void SetListColors(HWND hookWindow, HWND list, std::optional<COLORREF> evenBack,
                   std::optional<COLORREF> oddBack, std::optional<int> stripesOn) {
    RunOnWindowThread([&] {
        ListOwnColors own = OwnColorsOf(list);  // the text colour is read before anything else
        InstallHook(hookWindow);
        std::optional<uint32_t> even, odd;
        if (evenBack) even = static_cast<uint32_t>(*evenBack);
        if (oddBack) odd = static_cast<uint32_t>(*oddBack);
        std::optional<int32_t> on;
        if (stripesOn) on = *stripesOn;
        if (Hook().registry.SetListColors(KeyOf(list), even, odd, on, own)) Redraw(list);
    });
}

std::optional<LRESULT> ApplyDrawAnswer(const DrawAnswer& answer, NMLVCUSTOMDRAW& record) {
    if (answer.returnNotifyItemDraw) return static_cast<LRESULT>(CDRF_NOTIFYITEMDRAW);
    if (answer.textColor) record.clrText = *answer.textColor;
    if (answer.textBackColor) record.clrTextBk = *answer.textBackColor;
    return std::nullopt;
}

LRESULT CALLBACK ListHookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ColorHook& hook = Hook();
    WNDPROC previous = hook.previousProc;
    switch (message) {
        case WM_CLOSE:
        case WM_DESTROY:
            hook.installed = false;
            hook.registry.Clear();
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            hook.window = nullptr;
            break;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->code != static_cast<UINT>(NM_CUSTOMDRAW)) break;
            // Only registered lists are asked for their colours; everything
            // else goes on unchanged.
            bool registered = false;
            for (const ListColorEntry& entry : hook.registry.entries()) {
                registered = registered || entry.list == KeyOf(header->hwndFrom);
            }
            if (!registered) break;
            auto* record = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
            DrawRequest request{KeyOf(header->hwndFrom), StageOf(record->nmcd.dwDrawStage),
                                static_cast<int32_t>(record->nmcd.dwItemSpec), record->iSubItem};
            DrawAnswer answer = AnswerCustomDraw(hook.registry, request, OwnColorsOf(header->hwndFrom));
            if (std::optional<LRESULT> result = ApplyDrawAnswer(answer, *record)) return *result;
            break;
        }
    }
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

const CellColorRegistry& ColorStore() { return Hook().registry; }
bool ColorHookInstalled() { return Hook().installed; }

void FreeColorStore() {
    ColorHook& hook = Hook();
    if (hook.installed && IsWindow(hook.window)) {
        SetWindowLongPtrW(hook.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook.previousProc));
    }
    hook.installed = false;
    hook.registry.Clear();
}

}  // namespace velmora

#!/usr/bin/env python3
"""Copies a UTF-8 C++ source so that clang compiles its narrow literals as GBK.

The main build relies on GCC's -fexec-charset=GBK; clang accepts only UTF-8 as
its execution character set. This copy writes every non-ASCII character inside
an ordinary string or character literal as octal escapes of its GBK bytes
("中" becomes "\\326\\320"; octal escapes never run into the next character, and
a GBK trail byte 0x5C cannot turn into an escape). Non-ASCII text in comments is
replaced by "?". Non-ASCII characters in code, or in literals whose meaning the
escapes would change (u8, u, U, L and raw literals), stop the copy with a message.

    gbk_source.py IN OUT
"""

import os
import sys


def fail(path, line, what):
    sys.stderr.write(f"{path}:{line}: {what}\n")
    sys.exit(1)


def octal_gbk(ch, path, line):
    try:
        data = ch.encode("gbk")
    except UnicodeEncodeError:
        fail(path, line, f"character U+{ord(ch):04X} has no GBK form")
    return "".join(f"\\{b:03o}" for b in data)


def literal_prefix(src, quote_at):
    """The encoding prefix written right before a quote (u8, u, U, L, R, ...)."""
    i = quote_at
    while i > 0 and (src[i - 1].isalnum() or src[i - 1] == "_"):
        i -= 1
    return src[i:quote_at]


def transcode(src, path):
    out = []
    i = 0
    line = 1
    n = len(src)
    while i < n:
        c = src[i]
        if c == "\n":
            line += 1
        if src.startswith("//", i):
            end = src.find("\n", i)
            end = n if end < 0 else end
            out.append("".join(ch if ord(ch) < 128 else "?" for ch in src[i:end]))
            i = end
            continue
        if src.startswith("/*", i):
            end = src.find("*/", i + 2)
            end = n if end < 0 else end + 2
            chunk = src[i:end]
            line += chunk.count("\n")
            out.append("".join(ch if ord(ch) < 128 else "?" for ch in chunk))
            i = end
            continue
        if c == '"' or (c == "'" and not (i > 0 and (src[i - 1].isalnum() or src[i - 1] == "_"))):
            # A quote right behind a letter or digit is a digit separator (1'000)
            # or follows an encoding prefix; only string literals take prefixes here.
            prefix = literal_prefix(src, i) if c == '"' else ""
            j = i + 1
            body = []
            raw = "R" in prefix
            if raw:
                # R"delim( ... )delim": copied unchanged, refused when not ASCII.
                paren = src.find("(", j)
                delim = src[j:paren]
                end = src.find(")" + delim + '"', paren)
                chunk = src[i:end + len(delim) + 2]
                if any(ord(ch) >= 128 for ch in chunk):
                    fail(path, line, "non-ASCII text in a raw literal")
                out.append(chunk)
                line += chunk.count("\n")
                i = end + len(delim) + 2
                continue
            while j < n and src[j] != c:
                if src[j] == "\\" and j + 1 < n:
                    body.append(src[j:j + 2])
                    j += 2
                    continue
                if src[j] == "\n":
                    fail(path, line, "unterminated literal")
                ch = src[j]
                if ord(ch) >= 128:
                    if prefix in ("u8", "u", "U", "L"):
                        fail(path, line, f"non-ASCII text in a {prefix} literal")
                    body.append(octal_gbk(ch, path, line))
                else:
                    body.append(ch)
                j += 1
            out.append(c + "".join(body) + c)
            i = j + 1
            continue
        if ord(c) >= 128:
            fail(path, line, "non-ASCII character outside literals and comments")
        out.append(c)
        i += 1
    return "".join(out)


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: gbk_source.py IN OUT\n")
        sys.exit(2)
    src_path, out_path = sys.argv[1], sys.argv[2]
    with open(src_path, encoding="utf-8") as f:
        src = f.read()
    text = transcode(src, src_path)
    with open(out_path + ".tmp", "w", encoding="ascii", newline="") as f:
        f.write(text)
    os.replace(out_path + ".tmp", out_path)


if __name__ == "__main__":
    main()

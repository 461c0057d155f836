#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
"""Seeds the fuzz corpora from the examples of the manual pages.

    python3 fuzz/make_corpus.py        (from the tree root)

Every command of an EXAMPLES section of docs/man/*.1 that runs one of the
programs becomes an input of the targets that read what it exercises, in
each target's input layout (see the comment at the top of each target):
fuzz/corpus/TARGET/man-PAGE-N. The option names of the synopses become
dictionaries, fuzz/dict/TARGET.dict. Other inputs in the corpora (found by
fuzzing, or regression inputs) are left alone.
"""
import glob
import os
import re
import shlex
import struct

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
fuzz = os.path.join(root, "fuzz")

ROFF = [("\\(aq", "'"), ("\\(dq", '"'), ("\\(mc", "\u00b5"), ("\\(em", "\u2014"),
        ("\\-", "-"), ("\\&", ""), ("\\e", "\\")]


def unroff(text):
    text = re.sub(r"\\\[u([0-9A-Fa-f]{4})\]", lambda m: chr(int(m.group(1), 16)), text)
    for escape, plain in ROFF:
        text = text.replace(escape, plain)
    return text


def example_commands(page):
    """The commands ("$ " lines, continuations joined) of the EXAMPLES."""
    lines = open(page, encoding="utf-8").read().split("\n")
    commands, inside, current = [], False, None
    for line in lines:
        if line.startswith(".Sh "):
            inside = line == ".Sh EXAMPLES"
            continue
        if not inside:
            continue
        if current is not None:
            current += " " + line.strip()
        elif line.startswith("$ "):
            current = line[2:]
        else:
            continue
        if current.endswith("\\e"):
            current = current[:-2]
        else:
            commands.append(unroff(current))
            current = None
    return commands


def printf_text(words):
    """What printf writes for a format with \\n, \\t, \\\\ and %% only."""
    out = words[0].replace("%%", "%")
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t", "\\": "\\"}.get(m.group(1), m.group(0)), out).encode()


def runs(command, files):
    """(program, argv words, standard input) of each program run; printf
    output goes to files or into the next stage of a pipe."""
    if "$(" in command:
        return []
    lexer = shlex.shlex(command, posix=True, punctuation_chars=";|&<>")
    lexer.whitespace_split = True
    tokens = list(lexer)
    found, stdin, stage = [], None, []
    tokens.append(";")
    for token in tokens:
        if token not in (";", "|", "||", "&&"):
            stage.append(token)
            continue
        words, out_file, in_file, i = [], None, None, 0
        while i < len(stage):
            w = stage[i]
            if w in (">", ">>", "<", ">&", "<&") and i + 1 < len(stage):
                # A lone digit just before is the descriptor redirected.
                if words and re.fullmatch(r"[0-9]", words[-1]):
                    words.pop()
                if w == ">":
                    out_file = stage[i + 1]
                elif w == "<":
                    in_file = stage[i + 1]
                i += 2
                continue
            words.append(w)
            i += 1
        piped = stdin
        stdin = None
        if words and words[0] == "printf":
            text = printf_text(words[1:])
            if out_file:
                files[out_file] = text
            elif token == "|":
                stdin = text
        elif words and words[0] in ("tagsnip", "glyphpad", "epochfmt", "epochscan", "hostfacts"):
            data = files.get(in_file, b"") if in_file else piped
            found.append((words[0], words[1:], data))
        stage = []
    return found


def encoded(words):
    return [w.encode() for w in words]


def option_value(args, names):
    value = None
    for i, a in enumerate(args):
        for n in names:
            if a == n and i + 1 < len(args):
                value = args[i + 1]
            elif n.startswith("--") and a.startswith(n + "="):
                value = a[len(n) + 1:]
    return value


def unescape(text):
    """glyphpad's escapes, for texts given to the layout routines decoded."""
    out, i, t = bytearray(), 0, text.encode()
    simple = {b"\\": 0x5C, b"a": 7, b"b": 8, b"e": 0x1B, b"E": 0x1B, b"f": 12, b"n": 10, b"r": 13, b"t": 9, b"v": 11}
    while i < len(t):
        c = t[i:i + 1]
        if c != b"\\" or i + 1 == len(t):
            out += c
            i += 1
            continue
        d = t[i + 1:i + 2]
        if d in simple:
            out.append(simple[d])
            i += 2
        elif d in (b"x", b"u", b"U", b"0"):
            n = {b"x": 2, b"u": 4, b"U": 8, b"0": 3}[d]
            digits = t[i + 2:i + 2 + n].decode()
            value = int(digits, 8 if d == b"0" else 16)
            out += chr(value).encode() if d in (b"u", b"U") else bytes([value & 0xFF])
            i += 2 + n
        else:
            out += c + d
            i += 2
    return bytes(out)


def layout_seed(args, data):
    """glyphpad's command line as the layout target's input, or None."""
    mode, number, strings, columns, positional, i = "i", "0", [], "80", [], 0
    while i < len(args):
        a = args[i]
        if a in ("-i", "-x"):
            if a == "-i":
                mode, number = "i", args[i + 1]
            else:
                columns = args[i + 1]
            i += 2
        elif a == "-I":
            mode, number, strings = "I", args[i + 1], args[i + 2:i + 4]
            i += 4
        elif a == "-C":
            mode, strings = "C", args[i + 1:i + 3]
            i += 3
        elif a == "-s":
            mode, strings = "s", args[i + 1:i + 4]
            i += 4
        elif a in ("-c", "-w", "-l", "-b", "-a"):
            mode = a[1]
            i += 1
        elif a.startswith("-") and len(a) > 1:
            i += 1
        else:
            positional.append(a)
            i += 1
    if mode in ("c", "C", "s"):
        number = columns
    if mode in ("i", "c", "w", "l", "b", "a"):
        strings = positional[:1]
    try:
        fields = [unescape(s) for s in strings]
    except ValueError:
        return None
    if not fields or any(b"\0" in f for f in fields):
        return None
    seed = b"\0".join([(mode + number).encode()] + fields)
    if mode in ("I", "C"):
        seed += b"\0" + (data or b"")
    return seed


def hostfacts_seeds(text):
    """Records from the facts the page names: host names, interface names,
    a load of 2.0 on 4 processors."""
    names = [n for n in ("em0", "em10", "em2") if n in text]
    seeds = []
    for host in (b"localhost", b"a.b.c", b".starts-with-a-dot"):
        kernel = [b"FreeBSD", host, b"14.0-RELEASE", b"FreeBSD 14.0-RELEASE GENERIC", b"amd64"]
        record = b"\0".join([host] + kernel) + b"\0"
        record += struct.pack("<HQQIIII", 0x7, 90061, 500000000, 4, 4096, 57, 3)
        record += struct.pack("<ddd", 2.0, 1.5, 0.25)
        record += struct.pack("<B", 2) + struct.pack("<Bii", 1, 87, 1) + struct.pack("<Bii", 1, 100, 2)
        record += struct.pack("<BQIIB", 12 - 9, 8 << 30, 1000, 2000, 1) + struct.pack("<ii", 262144, 1024)
        for _ in range(3):
            record += struct.pack("<BQQQQ", 1, 4096, 1 << 20, 1 << 19, 1 << 18)
        record += b"\0"  # no long list
        for k, name in enumerate(names):
            choice = [0, 1, 2][k]
            for kind, address in ((1, bytes([192, 168, 1, 10 + k, 255, 255, 255, 0])),
                                  (4, bytes([1, 6, 0x02, 0, 0, 0, 0, k]))):
                record += struct.pack("<BIB", choice, 0x8843, kind) + address.ljust(16, b"\0")
        seeds.append(record)
    return seeds


def main():
    corpora, dicts = {}, {}

    def add(target, seed):
        corpora.setdefault(target, [])
        if seed not in corpora[target]:
            corpora[target].append(seed)

    for page in sorted(glob.glob(os.path.join(root, "docs", "man", "*.1"))):
        program = os.path.basename(page)[:-2]
        text = open(page, encoding="utf-8").read()
        files = {}
        for command in example_commands(page):
            for name, args, data in runs(command, files):
                if name == "tagsnip":
                    add("tagsnip_command_line", b"\0".join(encoded(args)))
                    insert = option_value(args, ["-R", "-F", "-B", "--replace", "--insert-front", "--insert-back",
                                                  "--ensure-block"])
                    source = option_value(args, ["-i", "--input"])
                    stdin = files.get(source, b"") if source else (data or b"")
                    for control in (b"", b"d3p"):
                        add("tagsnip_scanner", b"\0".join([control] + encoded(args) + [b"\x1e", files.get(insert, b"")])
                            + b"\0" + stdin)
                elif name == "glyphpad":
                    for a in args:
                        if not a.startswith("-") or "\\" in a:
                            add("glyphpad_unescape", a.encode())
                    seed = layout_seed(args, data)
                    if seed is not None:
                        add("glyphpad_layout", seed)
                elif name in ("epochfmt", "epochscan"):
                    flags = "sFmunIX0H" if name == "epochscan" else "smunH"
                    options = "".join(a[1:] for a in args if a.startswith("-") and len(a) > 1 and a[1] in flags
                                      and a[1:].strip(flags) == "")
                    template = option_value(args, ["-T", "--template"]) or "%Y-%m-%d %H:%M:%S"
                    add("timestamp_template", template.encode())
                    operands = [a for i, a in enumerate(args) if not a.startswith("-") and args[i - 1] not in ("-T",)]
                    if "--" in args:
                        operands += args[args.index("--") + 1:]
                    target = "epochfmt_time_text" if name == "epochfmt" else "epochscan_time_text_parse"
                    for operand in operands or [""]:
                        add(target, b"\0".join([options.encode(), template.encode(), operand.encode()]))
        if program == "hostfacts":
            for seed in hostfacts_seeds(text):
                add("hostfacts_report", seed)
        if program == "tagsnip":
            words = sorted(set(re.findall(r"^\.(?:Op |It )?Fl (-[-a-z0-9]+)", text, re.M)) |
                           set(re.findall(r"Fl (-[-a-z0-9]+)", text)))
            for target in ("tagsnip_command_line", "tagsnip_scanner"):
                dicts[target] = ["-" + w if not w.startswith("--") and len(w) > 2 else w for w in words]
        if program in ("epochfmt", "epochscan"):
            for target in ("epochfmt_time_text", "epochscan_time_text_parse", "timestamp_template"):
                dicts.setdefault(target, set()).update(re.findall(r"%[A-Za-z%]", unroff(text)))

    for target, seeds in corpora.items():
        folder = os.path.join(fuzz, "corpus", target)
        os.makedirs(folder, exist_ok=True)
        for old in glob.glob(os.path.join(folder, "man-*")):
            os.remove(old)
        for n, seed in enumerate(seeds, 1):
            with open(os.path.join(folder, "man-%02d" % n), "wb") as f:
                f.write(seed)
        print("%s: %d seed(s)" % (target, len(seeds)))
    os.makedirs(os.path.join(fuzz, "dict"), exist_ok=True)
    for target, words in dicts.items():
        with open(os.path.join(fuzz, "dict", target + ".dict"), "w", encoding="utf-8") as f:
            f.write("# Words of the manual pages, for the fuzzer's mutations (made by make_corpus.py).\n")
            for w in sorted(words):
                f.write('"%s"\n' % w.replace("\\", "\\\\").replace('"', '\\"'))


if __name__ == "__main__":
    main()

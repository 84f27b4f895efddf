#!/usr/bin/python3
"""Writes a manual page from a program's --help text (and, with --commands, from the --help of
every command its help lists), so the page and the help never disagree.

usage: manpage.py PROGRAM NAME "SHORT DESCRIPTION" VERSION OUT [--commands]
"""
import re
import subprocess
import sys


def run_help(program, *words):
    return subprocess.run([program, *words, "--help"], check=True, capture_output=True, text=True).stdout


def esc(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def body(text):
    """Help text to roff: 'Usage:' lines and paragraphs as text, 'TAG  description' lines as
    tagged paragraphs, deeper-indented lines continue the entry above, 'Heading:' lines head a
    block."""
    out = []
    for para in re.split(r"\n\s*\n", text.strip("\n")):
        lines = para.split("\n")
        if not lines[0].startswith(" ") and not any(l.startswith("  ") for l in lines):
            if len(lines) == 1 and lines[0].endswith(":"):
                out += [".PP", "\\fB" + esc(lines[0][:-1]) + "\\fP"]
            else:
                out += [".PP", esc(" ".join(l.strip() for l in lines))]
            continue
        for line in lines:
            if not line.startswith(" "):
                out += [".PP", esc(line.strip()) if not line.endswith(":") else "\\fB" + esc(line[:-1]) + "\\fP"]
                continue
            m = re.match(r"^ {2,4}(\S.*?)(?: {2,}(\S.*))?$", line)
            if m and not line.startswith(" " * 6):
                out += [".TP", "\\fB" + esc(m.group(1)) + "\\fP"]
                if m.group(2):
                    out.append(esc(m.group(2)))
            else:
                out.append(esc(line.strip()))
    return out


def split_usage(text):
    """The usage paragraph as roff lines, one output line per help line, and the rest."""
    head, _, rest = text.partition("\n\n")
    lines = [esc(l.strip()) for l in head.removeprefix("Usage:").split("\n")]
    return "\n.br\n".join("\\fB" + l + "\\fP" for l in lines), rest


def main():
    program, name, summary, version, out_file = sys.argv[1:6]
    commands = "--commands" in sys.argv[6:]
    synopsis, rest = split_usage(run_help(program))
    roff = [
        f'.TH {name.upper()} 1 "" "{name} {version}" "User Commands"',
        ".SH NAME",
        f"{esc(name)} \\- {esc(summary)}",
        ".SH SYNOPSIS",
        synopsis,
        ".SH DESCRIPTION",
    ]
    if commands:
        listed, _, after = rest.partition("\nCommands:\n")
        roff += body(listed)
        entries, _, tail = after.partition("\n\n")
        roff += body(tail)
        roff.append(".SH COMMANDS")
        for entry in entries.split("\n"):
            command = re.split(r" {2,}", entry.strip())[0]
            usage, text = split_usage(run_help(program, *command.split()))
            roff += [".SS " + esc(command), ".PP", usage] + body(text)
    else:
        roff += body(rest)
    other = "tellur32-cli" if name == "tellur32" else "tellur32"
    roff += [".SH SEE ALSO", f"\\fB{esc(other)}\\fP(1); the manual share/tellur32/help/TLEng.html of the installation"]
    with open(out_file, "w", encoding="utf-8") as f:
        f.write("\n".join(roff) + "\n")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The README shows the named example programs whole, byte for byte as the
tests build and run them, so that what a reader copies compiles and runs;
and every C snippet it shows compiles as printed (against the library's
header, warnings as errors) and every Python snippet is valid Python.

    programs_shown.py SOURCE_DIR CC EXAMPLE...   (paths below SOURCE_DIR)
"""

import pathlib
import re
import subprocess
import sys


def fenced_blocks(markdown):
    """(language, text) of each fenced block."""
    return re.findall(r"^```([a-z]*)\n(.*?)^```$", markdown, re.M | re.S)


def c_fails(cc, include, text):
    """The compiler's complaint, empty when the text compiles."""
    run = subprocess.run(
        [cc, "-std=c11", "-Wall", "-Wextra", "-Werror", "-I", str(include), "-x", "c", "-c",
         "-o", "/dev/null", "-"],
        input=text, capture_output=True, text=True)
    return run.stderr if run.returncode != 0 else ""


def python_fails(text):
    try:
        compile(text, "README.md", "exec")
    except SyntaxError as error:
        return str(error)
    return ""


def main(source, cc, examples):
    blocks = fenced_blocks((source / "README.md").read_text(encoding="utf-8"))
    texts = [text for _, text in blocks]
    failed = 0
    for example in examples:
        if (source / example).read_text(encoding="utf-8") not in texts:
            print(f"README.md does not show {example} as it is")
            failed += 1
    shown = {"c": 0, "python": 0}
    for language, text in blocks:
        if language == "c":
            complaint = c_fails(cc, source / "library" / "include", text)
        elif language == "python":
            complaint = python_fails(text)
        else:
            continue
        shown[language] += 1
        if complaint:
            print(f"a {language} snippet of README.md does not compile:\n{text}\n{complaint}")
            failed += 1
    print(f"{shown['c']} C and {shown['python']} Python snippets, {len(examples)} examples")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1]), sys.argv[2], sys.argv[3:]))

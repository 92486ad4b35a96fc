#!/usr/bin/env python3
"""The README shows the named example programs whole, byte for byte as the
tests build and run them, so that what a reader copies compiles and runs.

    programs_shown.py SOURCE_DIR EXAMPLE...   (paths below SOURCE_DIR)
"""

import pathlib
import re
import sys


def fenced_blocks(markdown):
    return re.findall(r"^```[a-z]*\n(.*?)^```$", markdown, re.M | re.S)


def main(source, examples):
    blocks = fenced_blocks((source / "README.md").read_text(encoding="utf-8"))
    missing = [e for e in examples if (source / e).read_text(encoding="utf-8") not in blocks]
    for example in missing:
        print(f"README.md does not show {example} as it is")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1]), sys.argv[2:]))

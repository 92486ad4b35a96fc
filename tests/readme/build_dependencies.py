#!/usr/bin/env python3
"""The README's build-dependency line holds what the build needs.

Configures the source tree exactly as the README's "Installing" section says
(into a temporary directory), takes every package configuration CMake found
there and the compilers and build program it chose, asks dpkg which package
owns each, and fails unless each is in the README's `apt-get install` line or
pulled in by one of its packages (their Depends and Pre-Depends, as
installed here).

    build_dependencies.py SOURCE_DIR [CMAKE]

Exits 77 (skipped) without dpkg.
"""

import pathlib
import re
import shlex
import shutil
import subprocess
import sys
import tempfile


def readme_commands(readme):
    """The shell commands of the README's "Installing" section, with their
    continuation lines joined."""
    section = readme.split("\n## Installing", 1)[1].split("\n## ", 1)[0]
    block = "\n".join(line[4:] for line in section.splitlines() if line.startswith("    "))
    return [shlex.split(command) for command in block.replace("\\\n", " ").splitlines()]


def dpkg(*arguments):
    return subprocess.run(["dpkg-query", *arguments], capture_output=True, text=True)


def owner(path):
    """The package that holds the file, None when dpkg knows none."""
    path = pathlib.Path(path).resolve()
    candidates = [path]
    if path.parts[1] == "usr":  # merged /usr: dpkg may know it below /
        candidates.append(pathlib.Path("/", *path.parts[2:]))
    for candidate in candidates:
        found = dpkg("-S", str(candidate))
        if found.returncode == 0:
            return found.stdout.split(":", 1)[0].split(",")[0].strip()
    return None


def installed_closure(packages):
    """The packages and everything they depend on, as installed here."""
    providers, depends = {}, {}
    fields = "${Package}\t${Provides}\t${Depends}, ${Pre-Depends}\n"
    for line in dpkg("-W", "-f", fields).stdout.splitlines():
        name, provides, depends[name] = line.split("\t")
        for item in [name] + provides.split(","):
            if item.strip():
                providers.setdefault(item.split()[0].split(":")[0], set()).add(name)
    seen, queue = set(), list(packages)
    while queue:
        name = queue.pop()
        if name in seen:
            continue
        seen.add(name)
        for alternative in re.split(r"[,|]", depends.get(name, "")):
            wanted = alternative.strip().split(" ")[0].split(":")[0]
            queue.extend(providers.get(wanted, ()))
    return seen


def found_by_configure(build):
    """Files that stand for what configuring needed: each package
    configuration found (a *_DIR below a cmake directory), the compilers and
    the build program."""
    needed = []
    cache = (build / "CMakeCache.txt").read_text()
    for key, value in re.findall(r"^(\w+):(?:PATH|FILEPATH)=(/.*)$", cache, re.M):
        if key.endswith("_DIR") and "/cmake/" in value:
            configs = sorted(pathlib.Path(value).glob("*[Cc]onfig.cmake"))
            needed.append((key, configs[0] if configs else pathlib.Path(value)))
        elif key in ("CMAKE_C_COMPILER", "CMAKE_CXX_COMPILER", "CMAKE_MAKE_PROGRAM"):
            needed.append((key, pathlib.Path(value)))
    return needed


def main(source, cmake):
    if shutil.which("dpkg-query") is None:
        print("skipped: no dpkg to say which package holds a file")
        return 77
    commands = readme_commands((source / "README.md").read_text(encoding="utf-8"))
    line = next(c for c in commands if c[:2] == ["apt-get", "install"])
    listed = set(line[2:])
    configure = next(c for c in commands if c[:1] == ["cmake"] and "-S" in c)
    with tempfile.TemporaryDirectory(prefix="vornen-readme.") as build:
        arguments = list(configure[1:])
        arguments[arguments.index("-B") + 1] = build
        run = subprocess.run([cmake, *arguments], cwd=source, capture_output=True, text=True)
        if run.returncode != 0:
            print(f"configuring as the README says failed:\n{run.stdout}{run.stderr}")
            return 1
        needed = found_by_configure(pathlib.Path(build))
    available = installed_closure(listed)
    missing = []
    for key, path in needed:
        package = owner(path)
        print(f"{key}: {path} ({package})")
        if package is None or package not in available:
            missing.append(f"{package or '(no package)'} for {key} ({path})")
    if missing:
        print("the README's line `apt-get install " + " ".join(line[2:]) + "` lacks:")
        print("\n".join("  " + m for m in missing))
        return 1
    print(f"the README's line covers all {len(needed)}")
    return 0


if __name__ == "__main__":
    cmake_program = sys.argv[2] if len(sys.argv) > 2 else "cmake"
    sys.exit(main(pathlib.Path(sys.argv[1]).resolve(), cmake_program))

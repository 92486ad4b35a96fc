"""Where `cmake --install` puts the module, checked against the Python that
is to import it: Debian's python3 for the prefixes /usr and /usr/local (into
a temporary DESTDIR), a virtual environment's Python for its prefix, and a
user's for ~/.local.

VORNEN_BUILD_DIR names the configured build tree, CMAKE the cmake to run.
"""

import os
import pathlib
import subprocess

import pytest

DEBIAN_PYTHON = "/usr/bin/python3"


def install(prefix, destdir=None):
    """Installs the module's component; returns the directories (as the
    installed system would name them) that hold the package vornen."""
    environment = dict(os.environ)
    environment.pop("DESTDIR", None)
    if destdir is not None:
        environment["DESTDIR"] = str(destdir)
    subprocess.run(
        [os.environ.get("CMAKE", "cmake"), "--install", os.environ["VORNEN_BUILD_DIR"],
         "--component", "python", "--prefix", str(prefix)],
        check=True, env=environment, capture_output=True, timeout=120,
    )
    if destdir is None:
        return [str(p.parent.parent) for p in pathlib.Path(prefix).rglob("vornen/__init__.py")]
    root = pathlib.Path(str(destdir) + str(prefix))
    found = root.rglob("vornen/__init__.py")
    return ["/" + str(p.parent.parent.relative_to(destdir)) for p in found]


@pytest.mark.parametrize("prefix", ["/usr", "/usr/local"])
def test_debians_python_looks_where_the_module_goes(tmp_path, prefix):
    if not os.access(DEBIAN_PYTHON, os.X_OK):
        pytest.skip("no Debian python3")
    searched = subprocess.run(
        [DEBIAN_PYTHON, "-I", "-c", "import sys; print('\\n'.join(sys.path))"],
        check=True, capture_output=True, text=True, timeout=60,
    ).stdout.split()
    places = install(prefix, tmp_path / "root")
    assert len(places) == 1 and places[0] in searched, (places, searched)


def python_of_a_virtual_environment(tmp_path):
    venv = tmp_path / "venv"
    subprocess.run([DEBIAN_PYTHON, "-m", "venv", "--without-pip", str(venv)],
                   check=True, capture_output=True, timeout=120)
    return venv, [str(venv / "bin" / "python"), "-I"], {}


def python_of_a_user(tmp_path):
    # Installed for one user, with --prefix ~/.local; -E: PYTHONPATH does
    # not count, the user's own site directory does.
    home = tmp_path / "home"
    return home / ".local", [DEBIAN_PYTHON, "-E"], {"HOME": str(home)}


@pytest.mark.parametrize("python_of", [python_of_a_virtual_environment, python_of_a_user])
def test_the_python_of_the_prefix_imports_the_module(tmp_path, python_of):
    if not os.access(DEBIAN_PYTHON, os.X_OK):
        pytest.skip("no Debian python3")
    prefix, python, environment = python_of(tmp_path)
    install(prefix)
    imported = subprocess.run(
        python + ["-c", "import vornen; print(vornen.__file__)"],
        capture_output=True, text=True, timeout=60,
        env={**os.environ, **environment}, cwd=tmp_path,  # not the build tree's module
    )
    assert imported.returncode == 0, imported.stderr
    assert imported.stdout.startswith(str(prefix) + "/"), imported.stdout

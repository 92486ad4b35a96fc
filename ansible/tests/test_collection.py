"""The collection as its users meet it: installed offline from its tarball,
ansible-doc renders every module, and each module's documented options are
the options it takes.

VORNEN_COLLECTION names the tarball. Ansible writes only below pytest's
temporary folder.
"""

import importlib
import os
import subprocess
import sys

import pytest
import yaml

MODULES = ["address", "scan", "command"]
HERE = os.path.dirname(os.path.abspath(__file__))


@pytest.fixture(scope="module")
def installed(tmp_path_factory):
    root = tmp_path_factory.mktemp("collection")
    (root / "ansible.cfg").write_text("[defaults]\n")
    env = {
        "PATH": "/usr/sbin:/usr/bin:/sbin:/bin",
        "LC_ALL": "C.UTF-8",
        "HOME": str(root),
        "ANSIBLE_HOME": str(root / "ansible-home"),
        "ANSIBLE_LOCAL_TEMP": str(root / "tmp"),
        "ANSIBLE_CONFIG": str(root / "ansible.cfg"),
        "ANSIBLE_COLLECTIONS_PATH": str(root / "collections"),
        "ANSIBLE_NOCOLOR": "1",
    }
    subprocess.run(
        ["ansible-galaxy", "collection", "install", "--offline", "-p",
         str(root / "collections"), os.environ["VORNEN_COLLECTION"]],
        env=env, check=True, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return root / "collections", env


@pytest.mark.parametrize("name", MODULES)
def test_ansible_doc_renders_the_installed_module(installed, name):
    _, env = installed
    shown = subprocess.run(["ansible-doc", "vornen.devices." + name], env=env,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           universal_newlines=True)
    assert shown.returncode == 0, shown.stdout
    assert "OPTIONS (= is mandatory)" in shown.stdout
    assert "EXAMPLES:" in shown.stdout
    assert "RETURN VALUES:" in shown.stdout
    # ansible-core 2.14 would show newer markup literally.
    assert "O(" not in shown.stdout and "V(" not in shown.stdout


def argument_spec(module):
    """What the module hands to AnsibleModule, caught before it runs."""
    caught = {}

    class Caught(Exception):
        pass

    def catch(**kwargs):
        caught.update(kwargs)
        raise Caught

    module.AnsibleModule = catch
    with pytest.raises(Caught):
        module.main()
    return caught


@pytest.mark.parametrize("name", MODULES)
def test_documented_options_are_the_options_taken(installed, name, monkeypatch):
    collections, _ = installed
    monkeypatch.syspath_prepend(str(collections))
    module = importlib.import_module("ansible_collections.vornen.devices.plugins.modules." + name)
    documentation = yaml.safe_load(module.DOCUMENTATION)
    yaml.safe_load(module.EXAMPLES)
    yaml.safe_load(module.RETURN)
    module_args = argument_spec(module)
    documented = documentation["options"]
    assert set(documented) == set(module_args["argument_spec"])
    for option, taken in module_args["argument_spec"].items():
        doc = documented[option]
        assert doc["type"] == taken["type"], option
        assert doc.get("required", False) == taken.get("required", False), option
        assert doc.get("default") == taken.get("default"), option
    check_mode = documentation["attributes"]["check_mode"]["support"] == "full"
    assert check_mode == module_args.get("supports_check_mode", False)


if __name__ == "__main__":
    sys.exit(pytest.main([__file__]))

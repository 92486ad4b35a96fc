#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: scan
short_description: Every device that answers on the PC's segment
description:
  - Runs on the PC of a device segment. Sends one discovery query to the
    broadcast address of the PC's adapter to the devices and returns every
    device that answers, by MAC and address, for later tasks.
  - Reads replies until none came for I(wait) milliseconds.
  - Sends only the query, so it also runs in check mode, and never reports a
    change.
version_added: 1.0.0
author: VornEN developers
requirements:
  - python3-vornen on the PC of the segment
options:
  interface:
    description:
      - The PC's adapter to the devices; needed when the PC has several.
    type: str
  wait:
    description:
      - How long to wait for a further reply, in milliseconds.
    type: int
    default: 5000
attributes:
  check_mode:
    support: full
  diff_mode:
    support: none
"""

EXAMPLES = r"""
- name: What answers on line 2
  vornen.devices.scan:
    interface: eth1
  register: line

- name: Every device found, by MAC
  ansible.builtin.debug:
    msg: "{{ line.devices | items2dict(key_name='mac', value_name='address') }}"
"""

RETURN = r"""
devices:
  description: The devices that answered, sorted by MAC.
  returned: success
  type: list
  elements: dict
  contains:
    mac:
      description: The device's MAC, e.g. C(00-20-4A-8D-72-33).
      type: str
    address:
      description: The address the device answered from.
      type: str
  sample: [{"mac": "00-20-4A-8D-72-33", "address": "192.168.16.100"}]
result_code:
  description: The library's result code when the adapter could not be used.
  returned: failure of the library
  type: int
  sample: -15
"""

from ansible.module_utils.basic import AnsibleModule

from ansible_collections.vornen.devices.plugins.module_utils import vornen_device as vd


def main():
    module = AnsibleModule(
        argument_spec=dict(
            interface=dict(type="str"),
            wait=dict(type="int", default=5000),
        ),
        supports_check_mode=True,
    )
    p = module.params
    if not 0 < p["wait"] <= 60000:
        module.fail_json(msg="wait must be 1 to 60000 ms")

    def work():
        # The library checks the adapter as it would for every other module.
        with vd.LibraryDevice(p["interface"]):
            local, broadcast = vd.segment_adapter(p["interface"])
            found = vd.scan(local, broadcast, p["wait"])
        return {"changed": False, "devices": [{"mac": m, "address": a} for m, a in found]}

    vd.run_module(module, work)


if __name__ == "__main__":
    main()

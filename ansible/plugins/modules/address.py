#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: address
short_description: The device with this MAC answers at this IPv4 address
description:
  - Runs on the PC of the device's segment. Finds the device by its MAC first
    and changes nothing when it already answers at the wanted address.
    Otherwise it gives the device the address by its MAC and finds it again to
    confirm.
  - The netmask cannot be read back from a device, so a device that already
    answers at the address counts as done whatever its netmask; C(force=true)
    sets it anyway.
  - The assignment writes a permanent entry into the PC's neighbour table, so
    the task needs the right to change it (root or CAP_NET_ADMIN), that is
    C(become=true).
  - Refused, unless C(force=true), is an address that is one of the PC's own
    addresses, the gateway of one of its routes, or in its neighbour table
    with another MAC, since the permanent entry would cut the PC off from that
    host.
version_added: 1.0.0
author: VornEN developers
requirements:
  - python3-vornen on the PC of the segment
options:
  mac:
    description:
      - The device's MAC, six pairs of hex digits in either case joined by
        C(-) or C(:), e.g. C(00-20-4A-8D-72-33) or C(00:20:4a:8d:72:33).
    type: str
    required: true
  address:
    description:
      - The wanted address, C(A.B.C.D) or C(A.B.C.D/PREFIX). Without a prefix
        or I(netmask) the netmask is 255.255.255.0.
      - It must lie in the network of the PC's adapter to the devices.
    type: str
    required: true
  netmask:
    description:
      - The device's netmask, e.g. C(255.255.0.0); instead of a prefix in
        I(address).
    type: str
  interface:
    description:
      - The PC's adapter to the devices; needed when the PC has several
        (a management adapter beside the segment's, say).
    type: str
  force:
    description:
      - Set the address even when the device already answers at it, or when
        the address is refused.
    type: bool
    default: false
  forget_entry:
    description:
      - Remove the permanent neighbour entry the assignment left, once the
        device answers at its address.
    type: bool
    default: false
attributes:
  check_mode:
    support: full
  diff_mode:
    support: full
notes:
  - Each failure of the library carries its result code in C(result_code) and
    its name and description.
"""

EXAMPLES = r"""
- name: Give the press controller its address
  vornen.devices.address:
    mac: 00-20-4A-8D-72-33
    address: 192.168.16.100/24
    interface: eth1
  become: true

- name: Every device of the line from a host variable
  vornen.devices.address:
    mac: "{{ item.mac }}"
    address: "{{ item.address }}"
  loop: "{{ vornen_devices }}"
  loop_control:
    label: "{{ item.mac }}"
  become: true
"""

RETURN = r"""
mac:
  description: The MAC in the library's form.
  returned: always
  type: str
  sample: 00-20-4A-8D-72-33
address:
  description: The wanted address, without its prefix.
  returned: success
  type: str
  sample: 192.168.16.100
prefix:
  description: The prefix length of the netmask given to the device.
  returned: success
  type: int
  sample: 24
previous:
  description: The address the device answered at before; null when it did
    not answer.
  returned: always
  type: str
  sample: 192.168.16.50
entry_removed:
  description: Whether the permanent neighbour entry was removed
    (I(forget_entry)).
  returned: when changed and forget_entry
  type: bool
result_code:
  description: The library's result code of the failed call.
  returned: failure of the library
  type: int
  sample: -1008
result_name:
  description: Its name.
  returned: failure of the library
  type: str
  sample: ERR_NODEVICE_FORMAC
description:
  description: Its description.
  returned: failure of the library
  type: str
"""

from ansible.module_utils.basic import AnsibleModule

from ansible_collections.vornen.devices.plugins.module_utils import vornen_device as vd


def main():
    module = AnsibleModule(
        argument_spec=dict(
            mac=dict(type="str", required=True),
            address=dict(type="str", required=True),
            netmask=dict(type="str"),
            interface=dict(type="str"),
            force=dict(type="bool", default=False),
            forget_entry=dict(type="bool", default=False),
        ),
        supports_check_mode=True,
    )
    p = module.params

    def work():
        mac = vd.parse_mac(p["mac"])
        address, prefix = vd.parse_target(p["address"], p["netmask"])
        with vd.LibraryDevice(p["interface"]) as device:
            result = vd.ensure_address(device, vd.read_view(), mac, address, prefix,
                                       p["force"], module.check_mode)
        if result["changed"] and p["forget_entry"] and not module.check_mode:
            result["entry_removed"] = vd.forget_entry(vd.read_view(), address)
        if not module._diff:
            result.pop("diff", None)
        return result

    vd.run_module(module, work)


if __name__ == "__main__":
    main()

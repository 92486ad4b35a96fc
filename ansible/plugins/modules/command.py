#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: command
short_description: Sends command text to a device, or sends it and reads the reply
description:
  - Runs on the PC of the device's segment. Connects to the device's command
    port, sends I(text), and with I(reply=true) reads the reply until its
    I(terminator), I(max_bytes) bytes, or the end of the connection, as
    C(vornctl ask) does.
  - A command may change the device, so C(changed) is true; a task that only
    reads says otherwise with C(changed_when=false).
  - In check mode nothing is sent to the device's command port (a device
    given by I(mac) is still found).
version_added: 1.0.0
author: VornEN developers
requirements:
  - python3-vornen on the PC of the segment
options:
  host:
    description:
      - The device's address. One of I(host) and I(mac) is required.
    type: str
  mac:
    description:
      - The device's MAC, in either case joined by C(-) or C(:); the device is
        found by it first.
    type: str
  text:
    description:
      - The bytes to send, as ISO 8859-1 text; YAML's double-quoted escapes
        give control characters, e.g. C("VERSION\\r").
      - May be empty with I(reply=true), to read what the device sends first.
    type: str
    required: true
  reply:
    description:
      - Read the device's reply after sending.
    type: bool
    default: false
  terminator:
    description:
      - The one character that ends a reply (kept in C(reply_hex), left out
        of C(reply)).
    type: str
    default: "\r"
  max_bytes:
    description:
      - The most reply bytes kept; the rest is dropped and C(truncated) is
        true.
    type: int
    default: 65536
  interface:
    description:
      - The PC's adapter to the devices; needed when the PC has several.
    type: str
attributes:
  check_mode:
    support: full
  diff_mode:
    support: none
"""

EXAMPLES = r"""
- name: Restart the counter of the press
  vornen.devices.command:
    host: 192.168.16.100
    text: "RESET COUNTER\r"

- name: Its version
  vornen.devices.command:
    mac: 00:20:4a:8d:72:33
    text: "VERSION\r"
    reply: true
  changed_when: false
  register: version
"""

RETURN = r"""
host:
  description: The address the text went to.
  returned: success
  type: str
  sample: 192.168.16.100
reply:
  description: The reply without its terminator (ISO 8859-1).
  returned: when reply is true and not in check mode
  type: str
reply_hex:
  description: Every byte of the reply kept, terminator included, in hex.
  returned: when reply is true and not in check mode
  type: str
length:
  description: The number of reply bytes kept.
  returned: when reply is true and not in check mode
  type: int
terminated:
  description: Whether the reply ended with the terminator.
  returned: when reply is true and not in check mode
  type: bool
truncated:
  description: Whether the reply was longer than I(max_bytes) and was cut.
  returned: when reply is true and not in check mode
  type: bool
result_code:
  description: The library's result code of the failed call.
  returned: failure of the library
  type: int
  sample: -101
"""

from ansible.module_utils.basic import AnsibleModule

from ansible_collections.vornen.devices.plugins.module_utils import vornen_device as vd


def main():
    module = AnsibleModule(
        argument_spec=dict(
            host=dict(type="str"),
            mac=dict(type="str"),
            text=dict(type="str", required=True),
            reply=dict(type="bool", default=False),
            terminator=dict(type="str", default="\r"),
            max_bytes=dict(type="int", default=65536),
            interface=dict(type="str"),
        ),
        required_one_of=[("host", "mac")],
        mutually_exclusive=[("host", "mac")],
        supports_check_mode=True,
    )
    p = module.params
    if len(p["terminator"]) != 1 or ord(p["terminator"]) > 255:
        module.fail_json(msg="terminator must be one byte")
    if not 0 <= p["max_bytes"] < 2**31 - 1:
        module.fail_json(msg="max_bytes must be 0 to %d" % (2**31 - 2))
    try:
        text = p["text"].encode("latin-1")
    except UnicodeEncodeError:
        module.fail_json(msg="text must be ISO 8859-1")
    if not text and not p["reply"]:
        module.fail_json(msg="text must not be empty without reply=true")

    def work():
        result = {"changed": True}
        mac = vd.parse_mac(p["mac"]) if p["mac"] else None
        if p["host"]:
            if "/" in p["host"]:
                raise vd.Failure("not an address: '%s'" % p["host"])
            result["host"] = vd.parse_target(p["host"])[0]
            if module.check_mode:
                return result
        with vd.LibraryDevice(p["interface"]) as device:
            if mac:
                result["host"] = device.find(mac, required=True)
            if module.check_mode:
                return result
            if p["reply"]:
                result.update(device.ask(result["host"], text, p["terminator"], p["max_bytes"]))
            else:
                device.send(result["host"], text)
        return result

    vd.run_module(module, work)


if __name__ == "__main__":
    main()

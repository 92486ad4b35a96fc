"""The exception that a failed call raises."""

from ._codes import ResultCode


class VornENError(Exception):
    """A library call returned a negative result code.

    Attributes:
        function: the export that failed, e.g. "En_Get_IPAddress".
        code: the result code, a ResultCode (a plain int for a code the
            library does not name).
        name: its ERR_ name, e.g. "ERR_NODEVICE_FORMAC"; None when unnamed.
        description: a short English description of the code.
    """

    def __init__(self, function: str, code: int):
        try:
            self.code = ResultCode(code)
            self.name = self.code.name
            self.description = self.code.description
        except ValueError:
            self.code = code
            self.name = None
            self.description = "unknown result code"
        self.function = function
        super().__init__(
            f"{function} failed: {int(code)} {self.name or '?'}: {self.description}"
        )


def check(function: str, code: int) -> None:
    """Raises VornENError for a negative result code."""
    if code < 0:
        raise VornENError(function, code)

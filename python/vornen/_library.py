"""Finding and loading the shared library, and declaring its seven exports."""

import ctypes
import os
import sys
import threading

if sys.platform == "win32":
    _DEFAULT_NAME = "VornEN.dll"
    # The exports use the standard Windows calling convention.
    _Loader = getattr(ctypes, "WinDLL")
else:
    _DEFAULT_NAME = "libVornEN.so.1"
    _Loader = ctypes.CDLL

_lock = threading.Lock()
_loaded = None
_loaded_path = None

_int32 = ctypes.c_int32
_text = ctypes.c_char_p
_out = ctypes.POINTER(ctypes.c_char)
_size = ctypes.POINTER(ctypes.c_int32)

_PROTOTYPES = {
    "En_Open": [],
    "En_Close": [],
    "En_SendStr": [_text, _text, _int32],
    "En_SendRecvStr": [_text, _text, _int32, _out, _size, _int32],
    "En_Get_IPAddress": [_text, _out, _size],
    "En_Set_IPAddress": [_text, _text, _int32],
    "En_Get_Dll_Version": [_out, _size],
}


def load_library(path=None):
    """Loads the library and returns its ctypes handle.

    Without a path: the file named by the environment variable VORNEN_LIBRARY
    when it is set, otherwise the installed libVornEN.so.1 (VornEN.dll on
    Windows) through the system's usual search. Every call of the module
    loads the library on first use; call this first to load another file.
    """
    global _loaded, _loaded_path
    name = path or os.environ.get("VORNEN_LIBRARY") or _DEFAULT_NAME
    with _lock:
        handle = _Loader(name)
        for function, arguments in _PROTOTYPES.items():
            export = getattr(handle, function)
            export.argtypes = arguments
            export.restype = _int32
        _loaded = handle
        _loaded_path = name
        return handle


def library():
    """The loaded library, loaded now if it is not yet."""
    return _loaded if _loaded is not None else load_library()


def library_path():
    """The file name or path the library was loaded from, or None."""
    return _loaded_path

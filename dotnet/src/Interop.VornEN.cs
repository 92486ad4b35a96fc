// SPDX-License-Identifier: MIT
using System.Runtime.InteropServices;

namespace VornEN.Net
{
    /// <summary>
    /// The seven exports of the native library, declared as VornEN.h declares them: stdcall on
    /// Windows (the platform's own convention elsewhere, where stdcall is ignored), 8-bit texts in
    /// the system code page, buffers the caller owns and sizes passed by reference.
    /// </summary>
    /// <remarks>
    /// "VornEN" resolves to VornEN.dll on Windows; on Linux VornEN.Net.dll.config maps it to
    /// libVornEN.so.1, the name the runtime package installs.
    /// </remarks>
    internal static class Interop
    {
        internal static class VornEN
        {
            private const string Library = "VornEN";

            [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
                       ExactSpelling = true)]
            internal static extern int En_Open();

            [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
                       ExactSpelling = true)]
            internal static extern int En_Close();

            [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
                       ExactSpelling = true)]
            internal static extern int En_SendStr(string host, byte[] data, int length);

            [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
                       ExactSpelling = true)]
            internal static extern int En_SendRecvStr(string host, byte[] data, int length,
                                                      [Out] byte[] buffer, ref int size, int terminator);

            [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
                       ExactSpelling = true)]
            internal static extern int En_Get_IPAddress(string mac, [Out] byte[] buffer, ref int capacity);

            [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
                       ExactSpelling = true)]
            internal static extern int En_Set_IPAddress(string mac, string address, int hostBits);

            [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
                       ExactSpelling = true)]
            internal static extern int En_Get_Dll_Version([Out] byte[] buffer, ref int length);
        }
    }
}

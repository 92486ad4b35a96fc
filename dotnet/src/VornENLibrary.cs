// SPDX-License-Identifier: MIT
using System;
using System.Text;

namespace VornEN.Net
{
    /// <summary>
    /// The native library, opened while this object lives: the constructor calls En_Open and
    /// Dispose calls En_Close. Every failure throws a <see cref="VornENException"/>.
    /// </summary>
    /// <remarks>
    /// The native library holds one state for the whole process: every instance opens it anew, and
    /// it is closed when the last undisposed instance is disposed. Texts travel in the system's 8-bit code page. The library blocks up to its wait time-out of
    /// 5000 ms per wait; calls from several threads take turns inside it.
    /// </remarks>
    public sealed class VornENLibrary : IDisposable
    {
        /// <summary>Capacity that always holds a dotted IPv4 address and its terminating zero.</summary>
        private const int AddressCapacity = 16;

        /// <summary>Capacity that holds the version text and its terminating zero.</summary>
        private const int VersionCapacity = 22;

        // Instances not yet disposed, of the whole process; En_Close waits for the last one.
        private static readonly object openLock = new object();
        private static int openCount;

        private bool opened;

        /// <summary>Opens the library: it finds the PC's one usable network adapter.</summary>
        /// <exception cref="VornENException">No or several usable adapters (set VORNEN_INTERFACE), or the socket layer failed.</exception>
        public VornENLibrary()
        {
            lock (openLock)
            {
                VornENException.Check("En_Open", Interop.VornEN.En_Open());
                openCount++;
                opened = true;
            }
        }

        /// <summary>The library's version text, "VornEN.DLL Rev. 1.001"; needs no open library.</summary>
        public static string Version
        {
            get
            {
                var buffer = new byte[VersionCapacity];
                int length = buffer.Length;
                VornENException.Check("En_Get_Dll_Version", Interop.VornEN.En_Get_Dll_Version(buffer, ref length));
                return Text(buffer, length);
            }
        }

        /// <summary>Finds the IPv4 address of the device with the MAC address <paramref name="mac"/>.</summary>
        /// <param name="mac">Six pairs of upper-case hex digits joined by "-" or ":", e.g. "00-20-4A-8D-72-33".</param>
        /// <returns>The dotted address the device answered from.</returns>
        /// <exception cref="VornENException">ERR_ILLEGAL_INPUT_PARAMETER for a malformed MAC, ERR_NODEVICE_FORMAC when no device answered in time, others for the network.</exception>
        public string GetIPAddress(string mac)
        {
            ThrowIfDisposed();
            var buffer = new byte[AddressCapacity];
            int length = buffer.Length;
            VornENException.Check("En_Get_IPAddress", Interop.VornEN.En_Get_IPAddress(mac, buffer, ref length));
            return Text(buffer, length);
        }

        /// <summary>Gives the device with the MAC address <paramref name="mac"/> the IPv4 address <paramref name="address"/>.</summary>
        /// <param name="mac">The device's MAC address, as for <see cref="GetIPAddress"/>.</param>
        /// <param name="address">The dotted address, inside the adapter's network.</param>
        /// <param name="hostBits">The host bits of the device's netmask, 0 to 32: 8 for 255.255.255.0.</param>
        /// <exception cref="VornENException">The arguments were refused, the address lies outside the adapter's network, or the setup dialogue failed.</exception>
        /// <remarks>On Linux the program needs CAP_NET_ADMIN for the neighbour entry the assignment writes.</remarks>
        public void SetIPAddress(string mac, string address, int hostBits)
        {
            ThrowIfDisposed();
            VornENException.Check("En_Set_IPAddress", Interop.VornEN.En_Set_IPAddress(mac, address, hostBits));
        }

        /// <summary>Sends <paramref name="data"/> to the device's command port and expects nothing back.</summary>
        /// <param name="host">The device's dotted IPv4 address.</param>
        /// <param name="data">At least one byte.</param>
        /// <exception cref="VornENException">The arguments were refused, or the connection or the send failed.</exception>
        public void Send(string host, byte[] data)
        {
            ThrowIfDisposed();
            if (data == null)
                throw new ArgumentNullException("data");
            VornENException.Check("En_SendStr", Interop.VornEN.En_SendStr(host, data, data.Length));
        }

        /// <summary>Sends <paramref name="command"/> in the system code page; expects nothing back.</summary>
        /// <param name="host">The device's dotted IPv4 address.</param>
        /// <param name="command">The command text, e.g. "RESET\r".</param>
        public void Send(string host, string command)
        {
            Send(host, Encoding.Default.GetBytes(command));
        }

        /// <summary>Sends <paramref name="data"/> and returns the device's reply up to <paramref name="terminator"/>.</summary>
        /// <param name="host">The device's dotted IPv4 address.</param>
        /// <param name="data">The bytes to send; empty sends nothing and only reads.</param>
        /// <param name="maxReplyBytes">The most reply bytes to keep, at least 1; a longer reply is cut there.</param>
        /// <param name="terminator">The byte that ends the reply (13 for CR); it is kept in the result.</param>
        /// <returns>The reply as it came, the terminator included when it came.</returns>
        /// <exception cref="VornENException">The arguments were refused, or the connection, send or read failed (ERR_TIMEOUT_ONREAD when the device sent nothing in time).</exception>
        public byte[] SendReceive(string host, byte[] data, int maxReplyBytes, byte terminator)
        {
            ThrowIfDisposed();
            if (data == null)
                throw new ArgumentNullException("data");
            if (maxReplyBytes < 1)
                throw new ArgumentOutOfRangeException("maxReplyBytes", maxReplyBytes, "at least 1");
            var buffer = new byte[maxReplyBytes];
            int size = buffer.Length;
            VornENException.Check("En_SendRecvStr",
                                  Interop.VornEN.En_SendRecvStr(host, data, data.Length, buffer, ref size, terminator));
            var reply = new byte[size];
            Array.Copy(buffer, reply, size);
            return reply;
        }

        /// <summary>Sends the text <paramref name="command"/> and returns the reply text up to and with CR.</summary>
        /// <param name="host">The device's dotted IPv4 address.</param>
        /// <param name="command">The command text, e.g. "VER?\r".</param>
        /// <param name="maxReplyBytes">The most reply bytes to keep.</param>
        /// <returns>The reply in the system code page.</returns>
        public string SendReceive(string host, string command, int maxReplyBytes = 256)
        {
            byte[] reply = SendReceive(host, Encoding.Default.GetBytes(command), maxReplyBytes, (byte)'\r');
            return Encoding.Default.GetString(reply);
        }

        /// <summary>Closes the library (En_Close) unless other instances still use it; calling it again does nothing.</summary>
        public void Dispose()
        {
            lock (openLock)
            {
                if (!opened)
                    return;
                opened = false;
                if (--openCount == 0)
                    Interop.VornEN.En_Close();
            }
        }

        private void ThrowIfDisposed()
        {
            if (!opened)
                throw new ObjectDisposedException("VornENLibrary");
        }

        // The library writes no terminating zero into every buffer; the returned length counts.
        private static string Text(byte[] buffer, int length)
        {
            return Encoding.Default.GetString(buffer, 0, length);
        }
    }
}

// SPDX-License-Identifier: MIT
// The assembly against simulated devices in the test bed: VORNEN_BED_DEVICES names a device with an
// address first and one without an address second. Prints each failed check and exits 1.
using System;
using System.Linq;
using System.Text;
using VornEN.Net;

static class BedTest
{
    static int failures;

    static void Expect(bool condition, string what)
    {
        if (!condition)
        {
            failures++;
            Console.Error.WriteLine("FAILED: " + what);
        }
    }

    static void ExpectEqual(object expected, object actual, string what)
    {
        Expect(Equals(expected, actual), string.Format("{0}: expected \"{1}\", got \"{2}\"", what, Shown(expected),
                                                       Shown(actual)));
    }

    static string Shown(object value)
    {
        return value == null ? "null" : value.ToString().Replace("\r", "\\r");
    }

    static VornENException Throws(Action call)
    {
        try
        {
            call();
        }
        catch (VornENException e)
        {
            return e;
        }
        return null;
    }

    static int Main()
    {
        string[][] devices = Environment.GetEnvironmentVariable("VORNEN_BED_DEVICES")
                                 .Split(new[] { ' ' }, StringSplitOptions.RemoveEmptyEntries)
                                 .Select(d => d.Split('='))
                                 .ToArray();
        string knownMac = devices[0][0], knownAddress = devices[0][1], newMac = devices[1][0];
        const string NewAddress = "192.168.16.101";

        ExpectEqual("VornEN.DLL Rev. 1.001", VornENLibrary.Version, "Version");

        using (var library = new VornENLibrary())
        {
            ExpectEqual(knownAddress, library.GetIPAddress(knownMac), "GetIPAddress of the addressed device");

            library.SetIPAddress(newMac, NewAddress, 8);
            ExpectEqual(NewAddress, library.GetIPAddress(newMac), "GetIPAddress after SetIPAddress");

            ExpectEqual("OK:PING\r", library.SendReceive(knownAddress, "PING\r"), "SendReceive text");
            library.Send(NewAddress, "RESET\r");

            // A buffer exactly as long as the reply holds all of it; one byte less cuts it there.
            byte[] ping = Encoding.ASCII.GetBytes("PING\r");
            byte[] whole = library.SendReceive(knownAddress, ping, 8, 13);
            ExpectEqual("OK:PING\r", Encoding.ASCII.GetString(whole), "reply at the buffer's capacity");
            byte[] cut = library.SendReceive(knownAddress, ping, 7, 13);
            ExpectEqual("OK:PING", Encoding.ASCII.GetString(cut), "reply cut at the buffer's capacity");

            VornENException shortMac = Throws(() => library.GetIPAddress(knownMac.Substring(0, 14)));
            Expect(shortMac != null, "a short MAC throws VornENException");
            if (shortMac != null)
            {
                ExpectEqual(ResultCode.ERR_ILLEGAL_INPUT_PARAMETER, shortMac.Code, "code for a short MAC");
                ExpectEqual(-1005, (int)shortMac.Code, "number for a short MAC");
                ExpectEqual("ERR_ILLEGAL_INPUT_PARAMETER", shortMac.Name, "name for a short MAC");
                ExpectEqual("an argument is invalid", shortMac.Description, "description for a short MAC");
                ExpectEqual("En_Get_IPAddress", shortMac.Function, "function for a short MAC");
            }

            VornENException outside = Throws(() => library.SetIPAddress(newMac, "10.0.0.5", 8));
            ExpectEqual(ResultCode.ERR_INPUTED_IP_MAY_UNREACHABLE, outside == null ? (ResultCode)0 : outside.Code,
                        "code for an address outside the network");
        }

        // The native library stays open while any instance is undisposed.
        using (var first = new VornENLibrary())
        {
            var second = new VornENLibrary();
            second.Dispose();
            second.Dispose();
            ExpectEqual(knownAddress, first.GetIPAddress(knownMac), "GetIPAddress after another instance's Dispose");
        }
        Expect(Throws(() => new VornENLibrary().Dispose()) == null, "the library opens again after Dispose");

        Console.WriteLine(failures == 0 ? "all checks passed" : failures + " checks failed");
        return failures == 0 ? 0 : 1;
    }
}

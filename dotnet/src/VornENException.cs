// SPDX-License-Identifier: MIT
using System;

namespace VornEN.Net
{
    /// <summary>A negative result of the native library, with its code, name and description.</summary>
    public class VornENException : Exception
    {
        /// <summary>Makes the exception for the result <paramref name="code"/> of <paramref name="function"/>.</summary>
        /// <param name="function">The export that returned the code, e.g. "En_Get_IPAddress".</param>
        /// <param name="code">The negative result code.</param>
        public VornENException(string function, int code)
            : base(string.Format("{0}: {1} ({2}): {3}", function, ResultCodes.Name(code), code,
                                 ResultCodes.Description(code)))
        {
            Function = function;
            Code = (ResultCode)code;
        }

        /// <summary>The export that failed.</summary>
        public string Function { get; private set; }

        /// <summary>The result code; its number is the export's return value.</summary>
        public ResultCode Code { get; private set; }

        /// <summary>The code's name as in VornEN.h, e.g. "ERR_ILLEGAL_INPUT_PARAMETER".</summary>
        public string Name { get { return ResultCodes.Name((int)Code); } }

        /// <summary>The code's one-line English description.</summary>
        public string Description { get { return ResultCodes.Description((int)Code); } }

        internal static void Check(string function, int code)
        {
            if (code != 0)
                throw new VornENException(function, code);
        }
    }
}

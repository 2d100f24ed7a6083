// Hostile scripts whose harm lies inside one call: a search, a regular
// expression, a dictionary or a release that outruns the time-out, the
// memory or the stack. Each runs in a child process (ChildCases.h) and must
// end within its time-out and one second more, with the language's error or
// its right result, and the engine must go on afterwards.

#include "ChildCases.h"

#include <gtest/gtest.h>

using scripttest::Case;
using scripttest::checkInChild;

namespace {

// Chains of a hundred thousand links let go of at once: one link at a time,
// not one release inside the other down the thread's stack.
TEST(ScriptCallLimits, LongChainsAreLetGoOfWithoutRecursion) {
    const std::vector<Case> cases = {
        {"linked instances",
         "Class Node\nPublic nxt\nEnd Class\nDim head, n\nSet head = Nothing\nFor i = 1 To 100000\nSet n = New Node\n"
         "Set n.nxt = head\nSet head = n\nNext\nSet n = Nothing\nSet head = Nothing\nWScript.Echo \"gone\"",
         "ok:gone"},
        {"linked instances with a terminate, in the order they went",
         "Dim count, first\nClass Node\nPublic nxt, id\nSub Class_Terminate\ncount = count + 1\n"
         "If IsEmpty(first) Then first = id\nEnd Sub\nEnd Class\nDim head, n\nSet head = Nothing\nFor i = 1 To 100000\n"
         "Set n = New Node\nn.id = i\nSet n.nxt = head\nSet head = n\nNext\nSet n = Nothing\n"
         "Set head = Nothing\nWScript.Echo count, first",
         "ok:100000 100000"},
        {"nested arrays", "a = Array()\nFor i = 1 To 200000\na = Array(a, i)\nNext\na = Empty\nWScript.Echo \"gone\"",
         "ok:gone"},
        {"nested arrays compared after a call by reference",
         "Sub Touch(x)\nEnd Sub\nDim b(0)\nFor i = 1 To 200000\nb(0) = Array(b(0))\nNext\nTouch b(0)\n"
         "WScript.Echo UBound(b)",
         "ok:0"},
        {"dictionaries holding one another",
         "Dim d, e\nFor i = 1 To 100000\nSet e = CreateObject(\"Scripting.Dictionary\")\ne.Add \"n\", d\n"
         "Set d = e\nNext\nSet e = Nothing\nSet d = Nothing\nWScript.Echo \"gone\"",
         "ok:gone"},
        {"a ring of dictionaries left to the end of the engine",
         "Dim d, e, first\nSet first = CreateObject(\"Scripting.Dictionary\")\nSet d = first\n"
         "For i = 1 To 100000\nSet e = CreateObject(\"Scripting.Dictionary\")\ne.Add \"n\", d\nSet d = e\n"
         "Next\nfirst.Add \"n\", d\nWScript.Echo \"held\"",
         "ok:held"},
        {"instances, arrays and dictionaries mixed",
         "Class Node\nPublic nxt\nEnd Class\nDim head, n\nFor i = 1 To 60000\nSet n = New Node\n"
         "Set d = CreateObject(\"Scripting.Dictionary\")\nd.Add 1, Array(head)\nSet n.nxt = d\nSet head = n\n"
         "Next\nSet n = Nothing\nSet d = Nothing\nSet head = Nothing\nWScript.Echo \"gone\"",
         "ok:gone"},
    };
    {
        SCOPED_TRACE("main thread");
        checkInChild(cases);
    }
    SCOPED_TRACE("a thread with 768 KB of stack");
    checkInChild(cases, {768});
}

}  // namespace

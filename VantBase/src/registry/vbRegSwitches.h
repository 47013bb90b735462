#pragma once

// Switches kept in the machine configuration ("Software\KVX Vantrel" under HKEY_LOCAL_MACHINE).

namespace vbImpl {

// The exception switch of className: true when the value allName of the key "Exception" is
// true, else the value valueName of "Exception\<className>" read as a boolean (false when
// missing); bDefault when either key is missing. Registry failures pass on. While a thread is
// already reading a switch (an exception built by that reading asks again), it answers true.
bool readExceptionSwitch(const char* className, const char* allName, const char* valueName, bool bDefault);

} // namespace vbImpl

// The settings file on any bytes: reading never fails, and the address read
// is saved and read back unchanged.

#include "FuzzCheck.h"
#include "SettingsFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString address = SettingsFile::addressIn(bytes);
    fuzzCheck(!address.contains(QLatin1Char('\n')), "the address is one line", address);
    const QString again = SettingsFile::addressIn(SettingsFile::contentWith(address));
    fuzzCheck(again == address, "the address read back as saved", again);
    return 0;
}

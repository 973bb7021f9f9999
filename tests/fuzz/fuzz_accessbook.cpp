// The Access reader on any bytes, in this process: it either fails with a
// message or gives rows, and what it gives comes back whole through the
// encoding the reader's child process uses. The same bytes are also fed to
// the program's side of that encoding, which reads the child's output.
//
// libmdb carries no coverage instrumentation, so this works by mutation of
// the seeds alone. What it finds inside libmdb is why the program reads
// Access files in a child process with limits.

#include "AccessBook.h"
#include "AccessReader.h"
#include "Failure.h"
#include "FuzzCheck.h"

#include <QString>

#include <cstddef>
#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// libmdb reads a file by name: the input is written to a file in memory.
QString inputFile(const uint8_t* data, size_t size)
{
    static const int fd = memfd_create("fuzz_accessbook", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

// Text as it reaches the book: UTF-8, where a lone surrogate becomes U+FFFD
// whichever way it travels.
ContactRecord::Fields stored(const ContactRecord::Fields& fields)
{
    ContactRecord::Fields result;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        if (fields[k])
            result[k] = QString::fromUtf8(fields[k]->toUtf8());
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        accessreader::decode(bytes);
    } catch (const Failure&) {
    }

    ContactRecords records;
    try {
        records = accessbook::read(inputFile(data, size));
    } catch (const Failure&) {
        return 0;
    }
    const ContactRecords again = accessreader::decode(accessreader::encode(records));
    fuzzCheck(again.size() == records.size(), "the rows' encoding changed their count");
    for (qsizetype k = 0; k < records.size(); ++k)
        fuzzCheck(stored(again[k].fields) == stored(records[k].fields),
                  "the rows' encoding changed a row");
    return 0;
}

#pragma once

#include <QtGlobal>

#include <sys/resource.h>

// Makes this process's writes fail beyond a file size, for as long as the
// object lives. Unlike folder permissions this also stops root, so a test can
// make the system refuse a write wherever it runs.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();

    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
};

// Whether a folder without write permission refuses new files to this
// process (not so for root).
bool folderPermissionsStopWrites();

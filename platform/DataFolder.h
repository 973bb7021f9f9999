#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Where the program keeps its files. A program folder that holds any of them
// is a portable copy, as the earlier version was, and keeps every file beside
// the program. Otherwise (installed under /usr or /opt, where the folder is
// read-only) the files live in the user's data folder,
// $XDG_DATA_HOME/selvanto, by default ~/.local/share/selvanto.
class DataFolder
{
public:
    // The files whose presence beside the program makes it a portable copy.
    static QStringList programFiles();

    // The folder for a program in exeDir (ending with a separator), with the
    // environment's XDG_DATA_HOME and HOME.
    static DataFolder choose(const QString& exeDir, const QProcessEnvironment& environment);

    const QString& path() const { return m_path; } // ends with a separator
    bool isPortable() const { return m_portable; }

    // Makes the user's data folder, readable by the user only, when it is
    // missing: true when it was made now (the program's first start), false
    // when it was there. Throws Failure when it cannot be made.
    bool makeIfMissing() const;

private:
    DataFolder(QString path, bool portable) : m_path(std::move(path)), m_portable(portable) {}

    QString m_path;
    bool m_portable;
};

#pragma once

#include <QProcessEnvironment>
#include <QString>

// The desktop's log-in autostart entry for the program: a desktop entry file
// in $XDG_CONFIG_HOME/autostart (by default ~/.config/autostart) that starts
// the program with --autostart, so that it opens only on days with a
// birthday.
class AutostartEntry
{
public:
    // program: the command that starts the program, its name on PATH or its
    // full path.
    AutostartEntry(QString folder, QString program);

    // The autostart folder for the environment's XDG_CONFIG_HOME and HOME,
    // ending with a separator.
    static QString folderFor(const QProcessEnvironment& environment);
    static QString fileName() { return QStringLiteral("selvanto.desktop"); }

    QString path() const { return m_folder + fileName(); }
    bool exists() const;
    // The entry's text, with the program quoted as desktop entries require.
    QString content() const;
    // Write or remove the entry; each throws Failure when the system refuses.
    void write() const;
    void remove() const;

private:
    QString m_folder;
    QString m_program;
};

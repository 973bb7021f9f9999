#pragma once

#include <QByteArray>
#include <QString>

// The settings the user changes on the settings page, in "settings.ini" in
// the program's data folder: UTF-8 text, readable by the user only.
//
//   [gateway]
//   address=https://sms.example.com
//
// An empty or missing address means the address the program was built with.
class SettingsFile
{
public:
    explicit SettingsFile(const QString& folder); // ends with a separator

    static QString fileName() { return QStringLiteral("settings.ini"); }
    const QString& path() const { return m_path; }

    // The saved gateway address; empty when the file or the entry is missing.
    QString gatewayAddress() const;
    // Saves the address, creating the file for the user only. Throws Failure,
    // leaving the file as it was, when the system refuses the write.
    void setGatewayAddress(const QString& address) const;

    // The address a file's bytes hold: the first "address" of the first
    // "[gateway]" section, names without regard to case, blanks around the
    // value dropped; empty when there is none.
    static QString addressIn(const QByteArray& bytes);
    // The bytes of a file holding the address.
    static QByteArray contentWith(const QString& address);

private:
    QString m_path;
};

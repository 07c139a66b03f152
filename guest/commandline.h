#pragma once

#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace Guest {

// One command line from the plug-in: bus, service, object path, interface
// and method separated by single spaces, then the typed arguments, each
// "type:value" and also separated by single spaces. Types: int32, double,
// string, boolean (1/0 or true/false) and array:array:double: followed by
// rows separated by ";" of values separated by ",".
class CommandLine
{
public:
    // Never fails outright: a line that cannot be used comes back with
    // isValid() false and error() saying why.
    static CommandLine parse(const QString &line);

    // Makes the track type known to QtDBus; parse() does it too.
    static void registerTypes();

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    QString bus() const { return m_bus; }
    QString service() const { return m_service; }
    QString path() const { return m_path; }
    QString interface() const { return m_interface; }
    QString method() const { return m_method; }
    QVariantList arguments() const { return m_arguments; }
    // The arguments as the reply line repeats them.
    QStringList argumentTexts() const { return m_argumentTexts; }

    QDBusMessage toMethodCall() const;

private:
    bool parseFields(const QString &line);
    bool parseArgument(const QString &token);
    bool parseTrack(const QString &rows);
    bool fail(const QString &error);

    QString m_bus;
    QString m_service;
    QString m_path;
    QString m_interface;
    QString m_method;
    QVariantList m_arguments;
    QStringList m_argumentTexts;
    QString m_error;
};

} // namespace Guest

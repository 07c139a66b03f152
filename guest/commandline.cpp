#include "commandline.h"

#include <QDBusMetaType>
#include <QLocale>

#include <limits>

namespace Guest {

namespace {

const QString TrackPrefix = QStringLiteral("array:array:double:");
const int FieldCount = 5;
const int MaximumNameLength = 255;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isNameCharacter(QChar c, bool allowDash)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || isAsciiDigit(c) || c == QLatin1Char('_') || (allowDash && c == QLatin1Char('-'));
}

// Dot-separated names as D-Bus defines them; checked here so that a bad
// line is answered with what is wrong with it instead of a library warning.
bool isValidDottedName(const QString &name, bool allowDash, bool allowLeadingDigit)
{
    if (name.isEmpty() || name.size() > MaximumNameLength)
        return false;
    const QStringList elements = name.split(QLatin1Char('.'));
    if (elements.size() < 2)
        return false;
    for (const QString &element : elements) {
        if (element.isEmpty() || (!allowLeadingDigit && isAsciiDigit(element.at(0))))
            return false;
        for (QChar c : element) {
            if (!isNameCharacter(c, allowDash))
                return false;
        }
    }
    return true;
}

bool isValidServiceName(const QString &name)
{
    if (name.startsWith(QLatin1Char(':')))
        return isValidDottedName(name.mid(1), true, true);
    return isValidDottedName(name, true, false);
}

bool isValidInterfaceName(const QString &name)
{
    return isValidDottedName(name, false, false);
}

bool isValidMemberName(const QString &name)
{
    if (name.isEmpty() || name.size() > MaximumNameLength || isAsciiDigit(name.at(0)))
        return false;
    for (QChar c : name) {
        if (!isNameCharacter(c, false))
            return false;
    }
    return true;
}

bool isValidObjectPath(const QString &path)
{
    if (path == QLatin1String("/"))
        return true;
    if (!path.startsWith(QLatin1Char('/')))
        return false;
    const QStringList elements = path.mid(1).split(QLatin1Char('/'));
    for (const QString &element : elements) {
        if (element.isEmpty())
            return false;
        for (QChar c : element) {
            if (!isNameCharacter(c, false))
                return false;
        }
    }
    return true;
}

bool isInteger(const QString &text)
{
    int start = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0;
    if (start >= text.size())
        return false;
    for (int i = start; i < text.size(); ++i) {
        if (!isAsciiDigit(text.at(i)))
            return false;
    }
    return true;
}

bool parseDouble(const QString &text, double *value)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    *value = c.toDouble(text, &ok);
    return ok;
}

} // namespace

CommandLine CommandLine::parse(const QString &line)
{
    registerTypes();
    CommandLine command;
    command.parseFields(line);
    return command;
}

void CommandLine::registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<QList<double>>();
        qDBusRegisterMetaType<QList<QList<double>>>();
        return true;
    }();
    Q_UNUSED(registered)
}

QDBusMessage CommandLine::toMethodCall() const
{
    QDBusMessage message = QDBusMessage::createMethodCall(m_service, m_path, m_interface, m_method);
    message.setArguments(m_arguments);
    return message;
}

bool CommandLine::parseFields(const QString &line)
{
    QString text = line;
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);

    // The first five fields hold no spaces; everything after the fifth
    // space is the argument string. A line that stops right after the
    // method has no arguments either.
    QStringList fields;
    int position = 0;
    for (int i = 0; i < FieldCount; ++i) {
        const int space = text.indexOf(QLatin1Char(' '), position);
        if (space < 0) {
            if (i < FieldCount - 1) {
                return fail(QStringLiteral("too few fields, expected bus, service, object path, "
                                           "interface, method and arguments"));
            }
            fields.append(text.mid(position));
            position = text.size();
            break;
        }
        fields.append(text.mid(position, space - position));
        position = space + 1;
    }
    const QString arguments = text.mid(position);

    m_bus = fields.at(0);
    m_service = fields.at(1);
    m_path = fields.at(2);
    m_interface = fields.at(3);
    m_method = fields.at(4);

    if (m_bus != QLatin1String("system") && m_bus != QLatin1String("session"))
        return fail(QStringLiteral("unknown bus '%1'").arg(m_bus));
    if (m_service.isEmpty())
        return fail(QStringLiteral("empty service name"));
    if (!isValidServiceName(m_service))
        return fail(QStringLiteral("invalid service name '%1'").arg(m_service));
    if (m_path.isEmpty())
        return fail(QStringLiteral("empty object path"));
    if (!isValidObjectPath(m_path))
        return fail(QStringLiteral("invalid object path '%1'").arg(m_path));
    // D-Bus allows a call without an interface.
    if (!m_interface.isEmpty() && !isValidInterfaceName(m_interface))
        return fail(QStringLiteral("invalid interface name '%1'").arg(m_interface));
    if (m_method.isEmpty())
        return fail(QStringLiteral("empty method name"));
    if (!isValidMemberName(m_method))
        return fail(QStringLiteral("invalid method name '%1'").arg(m_method));

    if (arguments.isEmpty())
        return true;
    const QStringList tokens = arguments.split(QLatin1Char(' '));
    for (const QString &token : tokens) {
        if (!parseArgument(token))
            return false;
    }
    return true;
}

bool CommandLine::parseArgument(const QString &token)
{
    if (token.isEmpty())
        return fail(QStringLiteral("empty argument, arguments are separated by single spaces"));
    if (token.startsWith(TrackPrefix))
        return parseTrack(token.mid(TrackPrefix.size()));

    const int colon = token.startsWith(QLatin1String("array:")) ? token.lastIndexOf(QLatin1Char(':'))
                                                                 : token.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return fail(QStringLiteral("argument '%1' has no type").arg(token));
    const QString type = token.left(colon);
    const QString value = token.mid(colon + 1);

    if (type == QLatin1String("int32")) {
        if (!isInteger(value))
            return fail(QStringLiteral("invalid int32 value '%1'").arg(value));
        // Digits that do not even fit 64 bits are out of range as well.
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (!ok || number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max())
            return fail(QStringLiteral("int32 value %1 is out of range").arg(value));
        m_arguments.append(int(number));
        m_argumentTexts.append(QString::number(number));
        return true;
    }
    if (type == QLatin1String("double")) {
        double number = 0;
        if (!parseDouble(value, &number))
            return fail(QStringLiteral("invalid double value '%1'").arg(value));
        m_arguments.append(number);
        m_argumentTexts.append(value);
        return true;
    }
    if (type == QLatin1String("string")) {
        m_arguments.append(value);
        m_argumentTexts.append(value);
        return true;
    }
    if (type == QLatin1String("boolean")) {
        bool flag = false;
        if (value == QLatin1String("1") || value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            flag = true;
        else if (value == QLatin1String("0") || value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            flag = false;
        else
            return fail(QStringLiteral("invalid boolean value '%1'").arg(value));
        m_arguments.append(flag);
        m_argumentTexts.append(flag ? QStringLiteral("true") : QStringLiteral("false"));
        return true;
    }
    return fail(QStringLiteral("unknown argument type '%1'").arg(type));
}

bool CommandLine::parseTrack(const QString &rows)
{
    QList<QList<double>> track;
    if (!rows.isEmpty()) {
        const QStringList rowTexts = rows.split(QLatin1Char(';'));
        for (int i = 0; i < rowTexts.size(); ++i) {
            if (rowTexts.at(i).isEmpty())
                return fail(QStringLiteral("row %1 of the array is empty").arg(i));
            QList<double> row;
            for (const QString &text : rowTexts.at(i).split(QLatin1Char(','))) {
                double number = 0;
                if (!parseDouble(text, &number))
                    return fail(QStringLiteral("invalid double value '%1' in row %2").arg(text).arg(i));
                row.append(number);
            }
            track.append(row);
        }
    }
    m_arguments.append(QVariant::fromValue(track));
    m_argumentTexts.append(track.size() == 1 ? QStringLiteral("1 point")
                                             : QStringLiteral("%1 points").arg(track.size()));
    return true;
}

bool CommandLine::fail(const QString &error)
{
    m_error = error;
    return false;
}

} // namespace Guest

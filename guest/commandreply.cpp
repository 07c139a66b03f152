#include "commandreply.h"

#include "commandline.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QLocale>

namespace Guest {

namespace {

QString withoutColons(QString text)
{
    return text.replace(QLatin1Char(':'), QLatin1Char(';'));
}

QString argumentText(const QDBusArgument &argument)
{
    QStringList items;
    switch (argument.currentType()) {
    case QDBusArgument::ArrayType:
        argument.beginArray();
        while (!argument.atEnd())
            items.append(CommandReply::valueText(argument.asVariant()));
        argument.endArray();
        return QLatin1Char('[') + items.join(QLatin1Char(',')) + QLatin1Char(']');
    case QDBusArgument::MapType:
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            const QString key = CommandReply::valueText(argument.asVariant());
            const QString value = CommandReply::valueText(argument.asVariant());
            argument.endMapEntry();
            items.append(key + QLatin1Char('=') + value);
        }
        argument.endMap();
        return QLatin1Char('{') + items.join(QLatin1Char(',')) + QLatin1Char('}');
    case QDBusArgument::StructureType:
        argument.beginStructure();
        while (!argument.atEnd())
            items.append(CommandReply::valueText(argument.asVariant()));
        argument.endStructure();
        return QLatin1Char('(') + items.join(QLatin1Char(',')) + QLatin1Char(')');
    case QDBusArgument::BasicType:
    case QDBusArgument::VariantType:
        return CommandReply::valueText(argument.asVariant());
    case QDBusArgument::MapEntryType:
    case QDBusArgument::UnknownType:
        break;
    }
    return QString();
}

} // namespace

QString CommandReply::invalidCommandError()
{
    return QStringLiteral("org.mimicry.Error.InvalidCommand");
}

QString CommandReply::compose(const QString &method, const QStringList &arguments, const QString &result,
                              const QString &errorName, const QString &errorMessage)
{
    const QStringList fields{method, arguments.join(QLatin1Char('|')), result, errorName, errorMessage};
    QStringList cleaned;
    for (const QString &field : fields)
        cleaned.append(withoutColons(field));
    return cleaned.join(QLatin1Char(':'));
}

QString CommandReply::forInvalidCommand(const CommandLine &command)
{
    return compose(command.method(), QStringList(), QString(), invalidCommandError(), command.error());
}

QString CommandReply::forReply(const CommandLine &command, const QDBusMessage &reply)
{
    switch (reply.type()) {
    case QDBusMessage::ReplyMessage: {
        QStringList results;
        for (const QVariant &value : reply.arguments())
            results.append(valueText(value));
        return compose(command.method(), command.argumentTexts(), results.join(QLatin1Char('|')));
    }
    case QDBusMessage::ErrorMessage:
        return compose(command.method(), command.argumentTexts(), QString(), reply.errorName(),
                       reply.errorMessage());
    default:
        break;
    }
    return compose(command.method(), command.argumentTexts(), QString(),
                   QStringLiteral("org.mimicry.Error.NoReply"), QStringLiteral("the call got no reply"));
}

QString CommandReply::valueText(const QVariant &value)
{
    const int type = value.userType();
    switch (type) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(value.toULongLong());
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QStringList:
        return QLatin1Char('[') + value.toStringList().join(QLatin1Char(',')) + QLatin1Char(']');
    case QMetaType::QByteArray:
        return QStringLiteral("%1 bytes").arg(value.toByteArray().size());
    default:
        break;
    }
    if (type == qMetaTypeId<QDBusVariant>())
        return valueText(value.value<QDBusVariant>().variant());
    if (type == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    if (type == qMetaTypeId<QDBusSignature>())
        return value.value<QDBusSignature>().signature();
    if (type == qMetaTypeId<QDBusUnixFileDescriptor>())
        return QStringLiteral("file descriptor");
    if (type == qMetaTypeId<QDBusArgument>())
        return argumentText(value.value<QDBusArgument>());
    return value.toString();
}

} // namespace Guest

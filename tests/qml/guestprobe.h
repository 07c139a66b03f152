#pragma once

#include <link/remotedbusinvokerservice.h>

#include <QObject>
#include <QPointer>
#include <QStringList>

class FakeGuest;

// The guest's command service as the QML tests see it: the calls that the
// pages sent, without the bus and service fields, and answers like those of
// a guest that runs every sensor. One call can be made to fail.
class GuestProbe : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList calls READ calls NOTIFY callsChanged)

public:
    explicit GuestProbe(FakeGuest *guest, QObject *parent = nullptr);

    QStringList calls() const;
    void setChannel(Mimicry::Internal::RemoteDBusInvokerService *channel) { m_channel = channel; }

    Q_INVOKABLE void clear();
    // The next call that equals `call` gets this D-Bus error as its answer.
    Q_INVOKABLE void failCall(const QString &call, const QString &errorName, const QString &errorText);
    Q_INVOKABLE void send(const QString &message);
    // A marker call's round trip through the channel: once its answer is
    // back, every call sent and every message answered before it has arrived.
    Q_INVOKABLE bool sync();

signals:
    void callsChanged();

private:
    QString reply(const QString &line);

    FakeGuest *m_guest;
    // Each test file's engine has its own.
    QPointer<Mimicry::Internal::RemoteDBusInvokerService> m_channel;
    QString m_failingCall;
    QString m_errorName;
    QString m_errorText;
};

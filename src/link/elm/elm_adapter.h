// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

namespace scan::elm {

// What an ELM327-class adapter said to one command, read up to its ">" prompt.
struct ElmAnswer {
    enum class Kind {
        Lines,           // data lines (hex bytes, or an AT command's text such as "ELM327 v1.5")
        NoData,          // "NO DATA": nothing answered the request
        UnableToConnect, // "UNABLE TO CONNECT": no vehicle bus found (ignition off?)
        BusError,        // "BUS ERROR", "CAN ERROR", "BUS INIT: ...ERROR", "FB ERROR", "DATA ERROR"
        BufferFull,      // "BUFFER FULL"
        Stopped,         // "STOPPED": the adapter gave up the request
        NotUnderstood,   // "?" or "ERROR": the adapter does not know the command
        TimedOut,        // no prompt within the reply timeout
        Lost,            // the adapter is gone (port error, unplugged, connection closed)
        Garbled,         // bytes that are no adapter text (a wrong baud rate, line noise)
    };
    Kind kind = Kind::TimedOut;
    // For Lines: each line as sent, trimmed, without "SEARCHING...", "BUS INIT: OK", echo or
    // the prompt; spaces between hex bytes kept as the adapter sent them.
    QStringList lines;
    // What the adapter said instead of data, as it said it ("CAN ERROR"); empty for Lines and for
    // the kinds it did not say (TimedOut, Lost, Garbled).
    QString said;
};

// An ELM327-class adapter, on a serial port or TCP. All I/O is asynchronous on the thread's
// event loop: send() returns at once and `done` runs once, later, with the answer. Commands are
// queued and sent one at a time.
class ElmAdapter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the port and initialises the adapter (reset, echo and line feeds off, headers on,
    // automatic protocol); `ready` or `failed` follows.
    virtual void start() = 0;
    // A command without its carriage return, e.g. "0100" or "ATDPN"; it is given up after the
    // reply timeout, or after `timeout` when given.
    virtual void send(const QByteArray& command, std::function<void(const ElmAnswer&)> done,
                      std::optional<std::chrono::milliseconds> timeout = std::nullopt) = 0;
    virtual void stop() = 0;

    // After `ready`: the adapter's identity as ATI gives it (e.g. "ELM327 v1.5").
    virtual QString identity() const = 0;
    // Whether replies carry headers (a clone may refuse ATH1).
    virtual bool headersOn() const = 0;
    // The device as the user knows it, e.g. "/dev/ttyUSB0" or "tcp:192.168.0.10:35000".
    virtual QString device() const = 0;
    // The bus protocol's number as ATDPN gives it, without the "A" of an automatic search ("6":
    // 11-bit CAN at 500 kbaud, "7": 29-bit CAN, "1"/"2": J1850, "3": ISO 9141, "4"/"5": KWP);
    // empty until a vehicle request has been answered.
    virtual QString protocol() const { return {}; }

signals:
    void ready();
    // Initialisation failed, in plain words.
    void failed(const QString& reason);
    // The adapter went away after it was ready.
    void lost(const QString& reason);
};

} // namespace scan::elm

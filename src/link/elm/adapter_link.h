// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "elm_adapter.h"
#include "elm_reply.h"
#include "link/trace.h"

#include <QTimer>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;
class QSerialPort;
class QTcpSocket;

namespace scan::elm {

struct AdapterOptions {
    // The rate tried first on a serial port; 38400, 9600 and 115200 follow until one answers.
    qint32 baud = 38400;
    std::chrono::milliseconds replyTimeout{5000};
    // A reset's banner may take a while, and at a wrong rate nothing sensible comes at all.
    std::chrono::milliseconds resetTimeout{2500};
    Trace* trace = nullptr; // where what goes to and comes from the adapter is recorded
};

// An ELM327-class adapter on a serial port ("/dev/ttyUSB0") or TCP ("tcp:HOST:PORT"), driven
// from the event loop: one command at a time, each answer read to the prompt and bounded by the
// reply timeout. After a timeout a carriage return wakes a hung adapter and everything up to its
// next prompt is dropped, so the next command starts clean.
class AdapterLink : public ElmAdapter {
    Q_OBJECT
public:
    explicit AdapterLink(QString device, AdapterOptions options = {}, QObject* parent = nullptr);
    ~AdapterLink() override;

    void start() override;
    void send(const QByteArray& command, std::function<void(const ElmAnswer&)> done,
              std::optional<std::chrono::milliseconds> timeout = std::nullopt) override;
    void stop() override;

    QString identity() const override { return identity_; }
    bool headersOn() const override { return headersOn_; }
    QString device() const override { return device_; }
    // Asked once, right after the first answered vehicle request, before its answer is handed on.
    QString protocol() const override { return protocol_; }
    // The serial rate the adapter answered at; 0 over TCP or before it answered.
    qint32 baudRate() const;

private:
    struct Pending {
        QByteArray command;
        std::function<void(const ElmAnswer&)> done;
        std::chrono::milliseconds timeout;
        bool internal = false; // part of the initialisation, which goes first
    };

    bool openSerial(QString& error);
    void openTcp();
    void initialise();
    void afterReset(const ElmAnswer& answer);
    void sendInternal(const QByteArray& command, std::function<void(const ElmAnswer&)> done,
                      std::optional<std::chrono::milliseconds> timeout = {});
    void dispatch();
    void readAvailable();
    void timedOut();
    void endResync();
    void finish(const ElmAnswer& answer);
    void failAll();
    // The port failed or the adapter vanished: every command waiting ends Lost.
    void loseWith(const QString& reason);
    // Initialisation failed: what waits ends Lost, and `failed` tells why.
    void giveUp(const QString& reason);
    void closeDevice();
    void write(const QByteArray& bytes);
    // Records each whole line that came, the prompt left out.
    void traceReceived(const QByteArray& bytes);

    QString device_;
    AdapterOptions options_;
    std::unique_ptr<QIODevice> io_;
    QSerialPort* serial_ = nullptr;
    QTcpSocket* tcp_ = nullptr;
    std::vector<qint32> bauds_;
    std::size_t baudIndex_ = 0;
    bool answeredAtBaud_ = false;

    std::deque<Pending> queue_;
    std::optional<Pending> current_;
    ElmReplyReader reader_;
    QTimer timer_;  // the reply timeout, and the bound of a resynchronisation
    QTimer settle_; // quiet after the prompt that ends a resynchronisation
    bool resyncing_ = false;
    bool ready_ = false;
    bool starting_ = false;
    QString identity_;
    bool headersOn_ = false;
    QString protocol_;
    bool protocolAsked_ = false;
    QByteArray traceLine_; // the part of a line that came, not yet traced
};

} // namespace scan::elm

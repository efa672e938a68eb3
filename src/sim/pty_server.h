// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace sim {

class ScanToolSimulator;

// Serves a simulator on a pseudo-terminal, so that a program opens it like a serial port
// (POSIX only). The server keeps its own descriptor of the terminal side open: a host may open
// and close the port as often as it likes, and what piles up while no host reads is dropped
// rather than blocking the simulator. The Disconnect fault closes the terminal; the host then
// sees the device vanish.
class PtyServer : public QObject {
    Q_OBJECT
public:
    explicit PtyServer(ScanToolSimulator& simulator, QObject* parent = nullptr);
    ~PtyServer() override;

    bool open(QString* error = nullptr);
    void close();
    bool isOpen() const { return master_ >= 0; }
    // The terminal a host opens, e.g. "/dev/pts/7"; empty before open().
    QString devicePath() const { return path_; }

signals:
    void closed();

private:
    void closeDescriptors();
    void readFromHost();
    void writeToHost(const QByteArray& bytes);

    ScanToolSimulator& simulator_;
    int master_ = -1;
    int slave_ = -1;
    QString path_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace sim

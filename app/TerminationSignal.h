// SIGTERM as an event of the program's event loop: the signal handler only writes a byte into a
// pipe, and a socket notifier on the pipe's other end reports it where handlers may do anything.
// A second SIGTERM ends the process at once, for a device that no longer answers.
#pragma once

#include <QObject>

class QSocketNotifier;

class TerminationSignal : public QObject {
    Q_OBJECT
  public:
    // Installs the handler; one object per process.
    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;

  signals:
    void Received();

  private:
    void OnPipeReadable();

    QSocketNotifier* notifier_ = nullptr;
};

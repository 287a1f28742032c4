#pragma once
// The one thread that talks to the serial line. It owns the port: every transaction of the window
// (probe, polls, transfers, searches) runs here, one after the other in the order they were asked
// for, so two never share the line. The window thread asks with run() and gets the result back as
// a queued call; progress comes back the same way, so the window keeps painting while a 38-second
// transfer runs.
#include "link/serial_link.h"
#include "link/transfer_progress.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class LinkWorker;

// What a transaction running on the link thread may use: the link, the device chosen when it was
// asked for, and a progress callback that reports to the window and tells it to stop on "Отмена"
// or when the program closes.
class LinkJob {
public:
    LinkJob(LinkWorker& worker, vorsan::SerialLink& link, std::string device)
        : worker_(worker), link_(link), device_(std::move(device)) {}

    vorsan::SerialLink& link() { return link_; }
    // Opens the job's device (controller traffic runs at 9600 bit/s).
    vorsan::OpenResult open(int speed = 9600) { return link_.open(device_, speed); }
    void close() { link_.close(); }
    // Opens the device, runs `exchange` on the open line and closes it again; nothing runs when the
    // device does not open. Returns how the opening went.
    template <class Exchange> vorsan::OpenResult openAndRun(Exchange&& exchange) {
        const vorsan::OpenResult opened = open();
        if (!opened.ok()) return opened;
        exchange();
        close();
        return opened;
    }
    // Reports (done, total) to the window; false once the job is to stop.
    vorsan::TransferProgress progress();
    bool stopRequested() const;

private:
    LinkWorker& worker_;
    vorsan::SerialLink& link_;
    std::string device_;
};

class LinkWorker : public QObject {
    Q_OBJECT
public:
    using LinkFactory = std::function<std::unique_ptr<vorsan::SerialLink>()>;

    // The factory makes the link the thread owns (a port by default; tests give one with a faster
    // clock).
    explicit LinkWorker(QObject* parent = nullptr, LinkFactory factory = {});
    // Stops a running transaction at its next step and waits for the thread.
    ~LinkWorker() override;

    // Runs `job` on the link thread with `device`, then `done(result)` on the thread of `context`
    // unless `context` is gone by then.
    template <class Result>
    void run(QObject* context, const QString& device, std::function<Result(LinkJob&)> job,
             std::function<void(Result&)> done);

    // A transaction is queued or running.
    bool busy() const { return pending_ > 0; }
    // The running transaction's progress callbacks say stop until the next one starts.
    void cancel() { cancel_ = true; }
    // Every transaction from now on is told to stop (the program is closing).
    void shutDown() { closing_ = true; }

    // Lets `observer` see the link's traffic from the next transaction on (nullptr: nothing does).
    // Set on the link thread between transactions; the worker keeps the observer alive until it
    // is replaced there, so the caller may drop its reference at once.
    void setObserver(std::shared_ptr<vorsan::LinkObserver> observer);

    // Reports of the running transaction, delivered on the window thread.
    Q_SIGNAL void progressed(int done, int total);
    // The last queued transaction has ended and its result was handed over: the line is free.
    Q_SIGNAL void idle();

private:
    friend class LinkJob;
    void post(std::function<void(vorsan::SerialLink&)> work);

    QThread thread_;
    QObject* host_ = nullptr; // lives on the link thread; queued work runs as its calls
    LinkFactory factory_;
    std::unique_ptr<vorsan::SerialLink> link_; // made and used on the link thread only
    std::shared_ptr<vorsan::LinkObserver> observer_; // link thread only
    std::atomic<bool> cancel_{false};
    std::atomic<bool> closing_{false};
    int pending_ = 0; // window thread
};

template <class Result>
void LinkWorker::run(QObject* context, const QString& device, std::function<Result(LinkJob&)> job,
                     std::function<void(Result&)> done) {
    ++pending_;
    QPointer<QObject> back(context);
    post([this, back, device = device.toStdString(), job = std::move(job),
          done = std::move(done)](vorsan::SerialLink& link) {
        cancel_ = false;
        LinkJob j(*this, link, device);
        auto result = std::make_shared<Result>(job(j));
        link.close(); // held only for one transaction, whatever the job did
        QMetaObject::invokeMethod(
            this,
            [this, back, done, result] {
                --pending_;
                if (back) done(*result);
                if (pending_ == 0) emit idle();
            },
            Qt::QueuedConnection);
    });
}

#include "live/link_worker.h"

#include "link/posix_serial_link.h"

vorsan::TransferProgress LinkJob::progress() {
    return [this](int done, int total) {
        emit worker_.progressed(done, total);
        return !stopRequested();
    };
}

bool LinkJob::stopRequested() const {
    return worker_.cancel_ || worker_.closing_;
}

LinkWorker::LinkWorker(QObject* parent, LinkFactory factory) : QObject(parent), factory_(std::move(factory)) {
    if (!factory_) factory_ = [] { return std::make_unique<vorsan::PosixSerialLink>(); };
    thread_.setObjectName(QStringLiteral("link"));
    host_ = new QObject;
    host_->moveToThread(&thread_);
    thread_.start();
}

LinkWorker::~LinkWorker() {
    closing_ = true;
    // Transactions still queued are dropped; the running one stops at its next step.
    thread_.quit();
    thread_.wait();
    link_.reset(); // the thread has ended: nothing else uses the link now
    observer_.reset();
    delete host_;
}

void LinkWorker::post(std::function<void(vorsan::SerialLink&)> work) {
    QMetaObject::invokeMethod(
        host_,
        [this, work = std::move(work)] {
            if (!link_) link_ = factory_();
            work(*link_);
        },
        Qt::QueuedConnection);
}

void LinkWorker::setObserver(std::shared_ptr<vorsan::LinkObserver> observer) {
    post([this, observer = std::move(observer)](vorsan::SerialLink& link) {
        link.setObserver(observer.get());
        observer_ = observer;
    });
}

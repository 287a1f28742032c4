#include "shared/connection_indicator.h"

#include "shared/command_icons.h"

#include <QLabel>

namespace {
constexpr int kSide = 24;
}

ConnectionIndicator::ConnectionIndicator(QWidget* parent) : QWidget(parent) {
    setFixedSize(kSide + 8, kSide + 4);
    connected_ = new QLabel(this);
    noConnection_ = new QLabel(this);
    connected_->setPixmap(connectedIcon().pixmap(kSide, kSide));
    noConnection_->setPixmap(disconnectedIcon().pixmap(kSide, kSide));
    for (auto* l : {connected_, noConnection_})
        l->setGeometry(4, 2, kSide, kSide);
    noConnection_->raise();
    connected_->setObjectName(QStringLiteral("connectedPicture"));
    noConnection_->setObjectName(QStringLiteral("noConnectionPicture"));
    noConnection_->setToolTip(QStringLiteral("Нет соединения со станцией"));
}

void ConnectionIndicator::setNoConnectionShown(bool shown) {
    noConnection_->setVisible(shown);
}

bool ConnectionIndicator::noConnectionShown() const {
    return !noConnection_->isHidden();
}

void ConnectionIndicator::setConnectedHint(const QString& hint) {
    connected_->setToolTip(hint);
}

void ConnectionIndicator::setNoConnectionHint(const QString& hint) {
    noConnection_->setToolTip(hint);
}

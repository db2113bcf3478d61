// SPDX-License-Identifier: MIT
// An event filter that hands the events it sees to a function. The window deletes its hooks first
// thing when it is destroyed, so that no event reaches a half-destroyed window through them.
#pragma once

#include <QObject>
#include <functional>

namespace kelda {

class TEventHook : public QObject {
    Q_OBJECT

public:
    // handler returns true to stop the event.
    using THandler = std::function<bool(QObject* watched, QEvent* event)>;

    TEventHook(QObject* parent, THandler handler) : QObject(parent), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return handler_(watched, event); }

private:
    THandler handler_;
};

} // namespace kelda

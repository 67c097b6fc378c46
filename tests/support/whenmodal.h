// Acting on a modal dialog a test has just caused to open: exec() starts only after the click that
// opens it returns, so the dialog is polled for and acted on from the event loop once it is up.
#pragma once

#include <functional>

#include <QApplication>
#include <QTimer>
#include <QWidget>

template <typename T> void WhenModal(std::function<void(T&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dlg = qobject_cast<T*>(QApplication::activeModalWidget()); dlg && dlg->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(*dlg);
        }
    });
    timer->start();
}

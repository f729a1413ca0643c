#include "MessagePane.h"

#include <QMetaObject>
#include <QTimer>
#include <QVBoxLayout>

#include "DriverMessages.h"
#include "HostLog.h"

MessagePane::MessagePane(QWidget* parent)
    : QWidget(parent), log_(new QPlainTextEdit(this)), counter_(new QLabel(this))
{
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(2000);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(log_);
    layout->addWidget(counter_);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { UpdateCounter(); });
    timer->start(250);
    UpdateCounter();
}

void MessagePane::Show(const char* level, const QString& text)
{
    if (driver_messages::IsPerFrame(text)) {
        ++perFrame_;  // never post per frame: the library's thread must not wait on the window
        return;
    }
    QMetaObject::invokeMethod(this, "Append", Qt::QueuedConnection, Q_ARG(QString, host_log::Format(level, text)));
}

void MessagePane::Append(const QString& line)
{
    log_->appendPlainText(line);
}

void MessagePane::UpdateCounter()
{
    counter_->setText(tr("per-frame messages: %1").arg(perFrame_.load()));
}

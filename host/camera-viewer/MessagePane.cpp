#include "MessagePane.h"

#include <QDateTime>
#include <QMetaObject>
#include <QTimer>
#include <QVBoxLayout>

#include "DriverMessages.h"

namespace {
std::atomic<MessagePane*> installed{nullptr};
}

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

MessagePane::~MessagePane()
{
    if (installed == this) {
        qInstallMessageHandler(previous_);
        installed = nullptr;
    }
}

void MessagePane::Install()
{
    installed = this;
    previous_ = qInstallMessageHandler(Handler);
}

void MessagePane::Handler(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    MessagePane* pane = installed;
    if (!pane)
        return;
    if (driver_messages::IsPerFrame(text)) {
        ++pane->perFrame_;  // never post per frame: the library's thread must not wait on the window
        return;
    }
    const QString line = QStringLiteral("%1 %2 %3")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")),
                                  type == QtWarningMsg ? QStringLiteral("warning:") : QStringLiteral("debug:"), text);
    QMetaObject::invokeMethod(pane, "Append", Qt::QueuedConnection, Q_ARG(QString, line));
}

void MessagePane::Append(const QString& line)
{
    log_->appendPlainText(line);
}

void MessagePane::UpdateCounter()
{
    counter_->setText(tr("per-frame messages: %1").arg(perFrame_.load()));
}

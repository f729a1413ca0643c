#pragma once
// The module's Qt messages and the capture library's GLib messages, in the
// formatter every host here uses, as they arrive from any thread. The
// per-frame ones ("Gige image get", "Gige snap image") are folded into a counter.

#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>
#include <atomic>

class MessagePane : public QWidget {
    Q_OBJECT
public:
    explicit MessagePane(QWidget* parent = nullptr);

    // Thread-safe and never blocking: the library's threads call it.
    void Show(const char* level, const QString& text);
    QString Text() const { return log_->toPlainText(); }
    quint64 PerFrameCount() const { return perFrame_; }
    QString CounterText() const { return counter_->text(); }

public Q_SLOTS:
    void Append(const QString& line);

private:
    void UpdateCounter();

    QPlainTextEdit* log_;
    QLabel* counter_;
    std::atomic<quint64> perFrame_{0};
};

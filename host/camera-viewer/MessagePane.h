#pragma once
// The module's messages, as they arrive from any thread. The per-frame ones
// ("Gige image get", "Gige snap image") are folded into a counter.

#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>
#include <atomic>

class MessagePane : public QWidget {
    Q_OBJECT
public:
    explicit MessagePane(QWidget* parent = nullptr);
    ~MessagePane() override;

    // Routes Qt's messages here (one pane at a time).
    void Install();
    QString Text() const { return log_->toPlainText(); }
    quint64 PerFrameCount() const { return perFrame_; }
    QString CounterText() const { return counter_->text(); }

public Q_SLOTS:
    void Append(const QString& line);

private:
    static void Handler(QtMsgType type, const QMessageLogContext& context, const QString& text);
    void UpdateCounter();

    QPlainTextEdit* log_;
    QLabel* counter_;
    std::atomic<quint64> perFrame_{0};
    QtMessageHandler previous_ = nullptr;
};

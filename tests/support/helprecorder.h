// Stands in for the help viewer beside a window: records the topics asked for.
#pragma once

#include "ui/helptopics.h"

#include <QStringList>

namespace pinora::test {

class HelpRecorder : public HelpTopicViewer {
  public:
    explicit HelpRecorder(QWidget* owner) : HelpTopicViewer(owner, Qt::Window) {}
    void showTopic(const QString& topic, QWidget* window) override {
        topics << topic;
        asking = window;
    }
    QString last() const { return topics.isEmpty() ? QString() : topics.last(); }

    QStringList topics;
    QWidget* asking = nullptr;
};

} // namespace pinora::test

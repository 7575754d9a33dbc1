#pragma once
// A fixture for window tests: the window is shown offscreen, its message boxes
// are captured instead of shown, and its controls are found by object name.

#include <gtest/gtest.h>

#include <QString>
#include <QTest>
#include <vector>

#include "message_sink.h"

class QWidget;

namespace window_test {

struct Message {
    QString title;
    QString text;
    bool error = false;
    QWidget* parent = nullptr;  // the window raising the message
    bool warning = false;
    platform::MessageKind kind = platform::MessageKind::Plain;
};

inline Message captured(QWidget* parent, const QString& title, const QString& text,
                        platform::MessageKind kind) {
    return {title,
            text,
            kind == platform::MessageKind::Error,
            parent,
            kind == platform::MessageKind::Warning,
            kind};
}

// Window must offer set_message_sink(platform::MessageSink).
template <class Window>
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.set_message_sink(
            [this](QWidget* p, const QString& t, const QString& x, platform::MessageKind k) {
                messages.push_back(captured(p, t, x, k));
            });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    template <class T>
    T* child(const char* name) {
        T* w = window.template findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    Window window;
    std::vector<Message> messages;
};

}  // namespace window_test

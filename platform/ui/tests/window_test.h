#pragma once
// A fixture for window tests: the window is shown offscreen, its message boxes
// are captured instead of shown, and its controls are found by object name.

#include <gtest/gtest.h>

#include <QString>
#include <QTest>
#include <vector>

class QWidget;

namespace window_test {

struct Message {
    QString title;
    QString text;
    bool error = false;
    QWidget* parent = nullptr;  // for sinks that are told the window raising the message
    bool warning = false;       // for sinks that are told a kind of message
};

// Window must offer set_message_sink(void(title, text, error)),
// set_message_sink(void(parent, title, text, error)) or, when it names a
// MessageKind (Information, Warning, Error), set_message_sink(void(title,
// text, kind)).
template <class Window>
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        using ParentSink = void (*)(QWidget*, const QString&, const QString&, bool);
        if constexpr (requires { typename Window::MessageKind; }) {
            using Kind = typename Window::MessageKind;
            window.set_message_sink([this](const QString& t, const QString& x, Kind k) {
                messages.push_back({t, x, k == Kind::Error, nullptr, k == Kind::Warning});
            });
        } else if constexpr (requires(Window & w, ParentSink sink) { w.set_message_sink(sink); }) {
            window.set_message_sink([this](QWidget* p, const QString& t, const QString& x, bool e) {
                messages.push_back({t, x, e, p});
            });
        } else {
            window.set_message_sink([this](const QString& t, const QString& x, bool e) {
                messages.push_back({t, x, e});
            });
        }
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

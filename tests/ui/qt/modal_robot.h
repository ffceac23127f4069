// Drives modal dialogs from inside their exec(): each step waits for a modal widget of its type.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>

namespace kestrel::testing {

class ModalRobot {
 public:
  ModalRobot() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(10);
    clock_.start();
  }
  ~ModalRobot() { timer_.stop(); }

  // Waits for the active modal widget to be a T, then runs `action` on it.
  template <class T>
  ModalRobot& then(std::function<void(T*)> action) {
    return thenNamed(T::staticMetaObject.className(),
                     [action](QWidget* widget) { action(qobject_cast<T*>(widget)); });
  }

  // Waits for a modal widget whose class (or a base) has that name, e.g. one that lives in a
  // loaded module, and runs `action` on it.
  ModalRobot& thenNamed(const char* className, std::function<void(QWidget*)> action) {
    steps_.push_back({className, std::move(action)});
    return *this;
  }

  // Steps not reached yet (a dialog that never showed).
  std::size_t pending() const { return steps_.size(); }
  // The class names of the steps not reached.
  std::string pendingNames() const {
    std::string names;
    for (const auto& step : steps_) names += step.className + " ";
    return names;
  }

 private:
  struct Step {
    std::string className;
    std::function<void(QWidget*)> action;
  };

  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (clock_.elapsed() > 20000) {
      // A dialog nobody expected: close it so the test fails instead of hanging.
      if (modal != nullptr) modal->close();
      return;
    }
    if (steps_.empty() || modal == nullptr || busy_) return;
    if (!modal->inherits(steps_.front().className.c_str())) return;
    Step step = steps_.front();
    steps_.pop_front();
    // Run outside the timer's slot: the action may open a nested modal loop.
    busy_ = true;
    QTimer::singleShot(0, modal, [this, step, modal] {
      busy_ = false;
      step.action(modal);
    });
  }

  QTimer timer_;
  QElapsedTimer clock_;
  std::deque<Step> steps_;
  bool busy_ = false;
};

}  // namespace kestrel::testing

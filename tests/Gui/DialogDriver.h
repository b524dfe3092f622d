// Drives the dialogs as a user would: clicks, typing, focus moves, and scripts run inside a modal loop.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <functional>
#include <string>

namespace tess::gui::testing {

inline void ClickAt(QWidget* AWidget, QPoint APos) {
  const QPointF local(APos);
  const QPointF global(AWidget->mapToGlobal(APos));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(AWidget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(AWidget, &release);
}

// A check box or radio button answers clicks on its mark and caption only: click the mark.
inline void Click(QWidget* AWidget) {
  if (qobject_cast<QCheckBox*>(AWidget) != nullptr || qobject_cast<QRadioButton*>(AWidget) != nullptr)
    ClickAt(AWidget, QPoint(8, AWidget->height() / 2));
  else
    ClickAt(AWidget, AWidget->rect().center());
}

inline void ClickTool(QToolBar* ABar, QAction* AAction) { Click(ABar->widgetForAction(AAction)); }

// Clicks the list entry at AIndex, or below the last entry when AIndex is -1.
inline void ClickEntry(QTreeWidget* AList, int AIndex) {
  QWidget* viewport = AList->viewport();
  if (AIndex < 0) {
    ClickAt(viewport, QPoint(viewport->width() / 2, viewport->height() - 3));
    return;
  }
  ClickAt(viewport, AList->visualItemRect(AList->topLevelItem(AIndex)).center());
}

// Gives AWidget the focus as a click or Tab would, and the widget focused before sees its focus
// go. The offscreen platform activates no window, so the focus events are delivered here.
inline QPointer<QWidget>& LastFocused() {
  static QPointer<QWidget> last;
  return last;
}

inline void Focus(QWidget* AWidget) {
  QPointer<QWidget>& last = LastFocused();
  if (last == AWidget) return;
  if (last != nullptr) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(last, &out);
  }
  AWidget->setFocus(Qt::TabFocusReason);
  QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(AWidget, &in);
  last = AWidget;
}

// Types AText into the focused widget key by key; selects the old text first when AReplace.
inline void Type(QWidget* AWidget, const QString& AText, bool AReplace = true) {
  Focus(AWidget);
  if (AReplace) {
    QKeyEvent all(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QApplication::sendEvent(AWidget, &all);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(AWidget, &del);
  }
  for (const QChar ch : AText) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(AWidget, &press);
  }
}

// A pick from the drop-down list: the list moves and announces it, as after a mouse pick.
inline void Pick(QComboBox* ACombo, const QString& AText) {
  const int index = ACombo->findText(AText);
  ACombo->setCurrentIndex(index);
  emit ACombo->activated(index);
}

// Runs AScript once the next modal window is up, from inside its loop. The script gets the
// window; the timer gives up after a few seconds so that a test cannot hang.
inline void WhenModal(std::function<void(QWidget*)> AScript, QWidget* ANotThis = nullptr) {
  auto* timer = new QTimer;
  auto waited = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, waited, ANotThis, AScript = std::move(AScript)] {
    QWidget* modal = QApplication::activeModalWidget();
    if ((modal == nullptr || modal == ANotThis) && ++*waited < 500) return;
    timer->stop();
    timer->deleteLater();
    if (modal != nullptr && modal != ANotThis) AScript(modal);
  });
  timer->start(10);
}

}  // namespace tess::gui::testing

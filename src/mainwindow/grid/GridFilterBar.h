#pragma once
// The line above a monitoring grid: the quick filter's search box (Ctrl+F moves the focus there
// while the grid is in sight) and, on the grids that show a row's state, the "Hide idle" toggle.
// The bar only reports what the user does; the grid applies it.

#include <QWidget>

class QAction;
class QLineEdit;
class QToolButton;

class TGridFilterBar : public QWidget {
    Q_OBJECT
public:
    explicit TGridFilterBar(bool offersHideIdle, QWidget* parent = nullptr);

    QLineEdit* searchBox() const { return m_search; }
    // The text rows are searched for: the box's text without the blanks around it.
    QString searchText() const;
    QAction* hideIdleAction() const { return m_hideIdle; }     // nullptr when not offered
    QToolButton* hideIdleButton() const { return m_hideIdleButton; }

signals:
    void searchTextChanged(const QString& text);  // only when searchText() changes
    void hideIdleToggled(bool hide);

private:
    QLineEdit* m_search = nullptr;
    QAction* m_hideIdle = nullptr;
    QToolButton* m_hideIdleButton = nullptr;
    QString m_lastText;
};

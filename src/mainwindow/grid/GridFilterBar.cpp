#include "mainwindow/grid/GridFilterBar.h"

#include "common/Messages.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace {
constexpr int SearchBoxWidth = 220;
}

TGridFilterBar::TGridFilterBar(bool offersHideIdle, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("filterBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(6);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("edtQuickFilter"));
    m_search->setPlaceholderText(QString::fromUtf8(msg::GridQuickFilterPlaceholder));
    m_search->setToolTip(QString::fromUtf8(msg::GridQuickFilterHint));
    m_search->setClearButtonEnabled(true);
    m_search->setFixedWidth(SearchBoxWidth);
    layout->addWidget(m_search);
    connect(m_search, &QLineEdit::textChanged, this, [this] {
        const QString text = searchText();
        if (text == m_lastText)
            return;
        m_lastText = text;
        emit searchTextChanged(text);
    });

    // Ctrl+F: only the bar in sight takes it, so the grids of the other tabs do not compete.
    auto* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::WindowShortcut);
    connect(find, &QAction::triggered, this, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    addAction(find);

    if (offersHideIdle) {
        m_hideIdle = new QAction(QString::fromUtf8(msg::GridHideIdle), this);
        m_hideIdle->setObjectName(QStringLiteral("actHideIdle"));
        m_hideIdle->setCheckable(true);
        m_hideIdle->setToolTip(QString::fromUtf8(msg::GridHideIdleHint));
        // the button's caption keeps its mnemonic (Alt+I), taken by the button while in sight
        m_hideIdle->setIconText(QString::fromUtf8(msg::GridHideIdle));
        connect(m_hideIdle, &QAction::toggled, this, &TGridFilterBar::hideIdleToggled);
        m_hideIdleButton = new QToolButton(this);
        m_hideIdleButton->setObjectName(QStringLiteral("btnHideIdle"));
        m_hideIdleButton->setDefaultAction(m_hideIdle);
        m_hideIdleButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
        layout->addWidget(m_hideIdleButton);
    }
    layout->addStretch(1);
}

QString TGridFilterBar::searchText() const { return m_search->text().trimmed(); }

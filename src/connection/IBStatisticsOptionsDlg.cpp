#include "connection/IBStatisticsOptionsDlg.h"

#include "common/Messages.h"

#include <ibase.h>

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <iterator>

namespace {
struct Item {
    const char* text;
    uint8_t options;
};
// "&&" shows one ampersand on the button.
const Item kItems[] = {
    {msg::StatisticsHeaderOnly, isc_spb_sts_hdr_pages},
    {msg::StatisticsHeaderAndLog, isc_spb_sts_db_log},
    {msg::StatisticsIndexPages, isc_spb_sts_idx_pages},
    {msg::StatisticsDataPages, isc_spb_sts_data_pages},
    {msg::StatisticsSystemTables, isc_spb_sts_sys_relations},
};
}  // namespace

TdlgIBStatisticsOptions::TdlgIBStatisticsOptions(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setWindowTitle(QString::fromUtf8(msg::StatisticsOptionsCaption));

    rgrpStatisticsOptions = new QGroupBox(QString::fromUtf8(msg::StatisticsOptionsGroup), this);
    rgrpStatisticsOptions->setObjectName(QStringLiteral("rgrpStatisticsOptions"));
    m_items = new QButtonGroup(this);
    auto* itemsLayout = new QVBoxLayout(rgrpStatisticsOptions);
    for (int i = 0; i < static_cast<int>(std::size(kItems)); ++i) {
        auto* button = new QRadioButton(QString::fromUtf8(kItems[i].text), rgrpStatisticsOptions);
        m_items->addButton(button, i);
        itemsLayout->addWidget(button);
    }

    btnOK = new QPushButton(QString::fromUtf8(msg::StatisticsOptionsOK), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QString::fromUtf8(msg::StatisticsOptionsCancel), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    // Escape rejects a QDialog, which is what Cancel does
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rgrpStatisticsOptions);
    layout->addLayout(buttons);
    // a fixed dialog border: the size follows the contents and cannot be changed
    layout->setSizeConstraint(QLayout::SetFixedSize);

    SetItemIndex(0);
}

int TdlgIBStatisticsOptions::ItemIndex() const { return m_items->checkedId(); }

void TdlgIBStatisticsOptions::SetItemIndex(int index)
{
    if (QAbstractButton* button = m_items->button(index)) {
        button->setChecked(true);
        return;
    }
    // none selected: an exclusive group keeps one checked button, so it lets go for a moment
    if (QAbstractButton* checked = m_items->checkedButton()) {
        m_items->setExclusive(false);
        checked->setChecked(false);
        m_items->setExclusive(true);
    }
}

uint8_t TdlgIBStatisticsOptions::GetStatisticsOptions() const
{
    const int index = ItemIndex();
    if (index < 0 || index >= static_cast<int>(std::size(kItems)))
        return 0;
    return kItems[index].options;
}

#pragma once
// The choice of how much the database statistics report covers: one Services statistics option
// per item of the radio group.

#include <QDialog>

#include <cstdint>

class QButtonGroup;
class QGroupBox;
class QPushButton;

class TdlgIBStatisticsOptions : public QDialog {
    Q_OBJECT
public:
    explicit TdlgIBStatisticsOptions(QWidget* parent = nullptr);

    // The options value of the selected item; 0 when none is selected.
    uint8_t GetStatisticsOptions() const;
    // The selected item, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int index);

    QGroupBox* rgrpStatisticsOptions = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    QButtonGroup* m_items = nullptr;
};

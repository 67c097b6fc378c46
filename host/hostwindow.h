// The stand-in store program's window: one button per export, with fields for its arguments.
#pragma once

#include <QWidget>

class CSQLDirect;
class QLineEdit;
class QSpinBox;
class QComboBox;
class QLabel;

class HostWindow : public QWidget {
    Q_OBJECT
public:
    HostWindow(CSQLDirect* db, const QString& connection, QWidget* parent = nullptr);

private:
    void popupSms();
    void popupSmms();
    void popupCoupon();
    void popupRefuseList();
    void receiveSms();
    void receiveSmms();

    CSQLDirect* m_db;
    QSpinBox* m_emp;
    QComboBox* m_targetType;
    QLineEdit* m_codes;
    QLineEdit* m_condition;
    QLineEdit* m_imagePath;
    QSpinBox* m_ssCode;
    QLabel* m_status;
};

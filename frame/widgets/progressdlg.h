// The small window behind CProgressWnd: a step text, a counter and a bar. Only CProgressWnd
// drives it.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CProgressDlg(QWidget* parent = nullptr);
    ~CProgressDlg() override;

    void SetStepText(const QString& text);
    // total <= 0: a length nobody knows; the bar hides.
    void SetRange(int total);
    void SetPos(int pos);
    // Lets the window be exposed and painted now (PumpOperationEvents) and repaints it: no user
    // input, timer or page command of the caller's windows runs while an operation holds the thread.
    void Pump();
    void CentreOnOwner();

    int Total() const { return m_total; }
    int Pos() const { return m_pos; }
    QLabel* StepLabel() const { return m_step; }
    QLabel* CounterLabel() const { return m_counter; }
    QProgressBar* Bar() const { return m_bar; }

public slots:
    void accept() override {} // Enter never closes it

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_step = nullptr;
    QLabel* m_counter = nullptr;
    QProgressBar* m_bar = nullptr;
    int m_total = 0;
    int m_pos = 0;
};

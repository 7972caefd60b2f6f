#pragma once

#include "common/records.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The three small choices beside the six operations. Each dialog only asks; the window starts
// the job with the answer once the dialog is accepted.

// The partition style for a RAW disk: GPT (the default) or MBR.
class InitializeDiskDialog : public QDialog
{
    Q_OBJECT

public:
    InitializeDiskDialog(int diskNumber, const QString &diskName, qint64 diskSize, QWidget *parent = nullptr);
    // 1 MBR, 2 GPT, as MSFT_Disk.Initialize takes it.
    int partitionStyle() const;

private:
    QButtonGroup *m_styles = nullptr;
};

// A new drive letter from the free ones, or none.
class DriveLetterDialog : public QDialog
{
    Q_OBJECT

public:
    DriveLetterDialog(const PartitionInfo &partition, const QStringList &freeLetters, QWidget *parent = nullptr);
    // "F", or empty for no letter.
    QString letter() const;

private:
    void onChoice();

    QString m_current;
    QComboBox *m_letters = nullptr;
    QLabel *m_note = nullptr;
    QPushButton *m_ok = nullptr;
};

// A volume's new label, checked against its file system's rules as it is typed.
class VolumeLabelDialog : public QDialog
{
    Q_OBJECT

public:
    VolumeLabelDialog(const PartitionInfo &partition, QWidget *parent = nullptr);
    QString label() const;

private:
    void onEdited();

    QString m_fileSystem;
    QString m_current;
    QLineEdit *m_edit = nullptr;
    QLabel *m_refusal = nullptr;
    QPushButton *m_ok = nullptr;
};

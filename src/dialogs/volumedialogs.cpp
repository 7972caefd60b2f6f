#include "volumedialogs.h"

#include "dialogbuttons.h"

#include "common/driveletter.h"
#include "common/sizetext.h"
#include "common/volumelabel.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr qint64 kMbrLimit = 2LL * 1024 * 1024 * 1024 * 1024; // 2 TiB of 512-byte sectors

QLabel *wrappedLabel(const QString &text, const char *objectName, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(objectName));
    label->setWordWrap(true);
    return label;
}

// The line that explains a choice, set in under it.
QLabel *explanationLabel(const QString &text, const char *objectName, QWidget *parent)
{
    QLabel *label = wrappedLabel(text, objectName, parent);
    label->setContentsMargins(24, 0, 0, 6);
    label->setStyleSheet(QStringLiteral("color: #4a5568;"));
    return label;
}

// The row of the two buttons; Cancel is the one Escape and Enter reach.
QPushButton *addButtons(QDialog *dialog, QVBoxLayout *layout, const QString &okText)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    QPushButton *ok = makeDialogButton(okText, "okButton", dialog);
    QPushButton *cancel = makeDialogButton(QCoreApplication::translate("VolumeDialogs", "Cancel"), "cancelButton", dialog);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addStretch();
    layout->addSpacing(8);
    layout->addLayout(row);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return ok;
}

} // namespace

InitializeDiskDialog::InitializeDiskDialog(int diskNumber, const QString &diskName, qint64 diskSize, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("initializeDiskDialog"));
    setWindowTitle(tr("Initialize Disk"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(wrappedLabel(tr("Disk %1 (%2, %3) is not initialised: it has no partition table, so Windows can "
                                      "keep no partition on it. Choose the table it gets:")
                                       .arg(diskNumber)
                                       .arg(diskName, formatSize(diskSize)),
                                   "initializeIntroLabel", this));

    m_styles = new QButtonGroup(this);
    auto *gpt = new QRadioButton(tr("GPT (GUID Partition Table)"), this);
    gpt->setObjectName(QStringLiteral("gptRadio"));
    gpt->setChecked(true);
    m_styles->addButton(gpt, 2);
    layout->addSpacing(6);
    layout->addWidget(gpt);
    layout->addWidget(explanationLabel(tr("Recommended: up to 128 partitions on disks of any size. Windows 8 and later, and "
                                      "every UEFI computer, read it."),
                                   "gptExplanationLabel", this));

    auto *mbr = new QRadioButton(tr("MBR (Master Boot Record)"), this);
    mbr->setObjectName(QStringLiteral("mbrRadio"));
    m_styles->addButton(mbr, 1);
    layout->addWidget(mbr);
    QString mbrText = tr("For older computers and tools: at most 2 TiB and four primary partitions.");
    if (diskSize > kMbrLimit)
        mbrText += QLatin1Char(' ') + tr("Only the first 2 TiB of this disk could be used.");
    layout->addWidget(explanationLabel(mbrText, "mbrExplanationLabel", this));

    addButtons(this, layout, tr("Initialize"));
    setMinimumWidth(460);
}

int InitializeDiskDialog::partitionStyle() const
{
    return m_styles->checkedId();
}

DriveLetterDialog::DriveLetterDialog(const PartitionInfo &partition, const QStringList &freeLetters, QWidget *parent)
    : QDialog(parent), m_current(driveletter::driveOf(partition).left(1))
{
    setObjectName(QStringLiteral("driveLetterDialog"));
    setWindowTitle(tr("Change Drive Letter"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(wrappedLabel(tr("Drive letter for %1:").arg(partitionName(partition)), "letterIntroLabel", this));

    m_letters = new QComboBox(this);
    m_letters->setObjectName(QStringLiteral("letterCombo"));
    if (!m_current.isEmpty())
        m_letters->addItem(tr("%1: (now)").arg(m_current), m_current);
    for (const QString &letter : freeLetters)
        if (letter != m_current)
            m_letters->addItem(letter + QLatin1Char(':'), letter);
    m_letters->addItem(tr("No letter"), QString());
    if (m_current.isEmpty())
        m_letters->setCurrentIndex(m_letters->count() - 1);
    layout->addWidget(m_letters);

    m_note = wrappedLabel(QString(), "letterNoteLabel", this);
    layout->addWidget(m_note);
    m_ok = addButtons(this, layout, tr("Change"));
    connect(m_letters, &QComboBox::currentIndexChanged, this, &DriveLetterDialog::onChoice);
    onChoice();
    setMinimumWidth(420);
}

QString DriveLetterDialog::letter() const
{
    return m_letters->currentData().toString();
}

void DriveLetterDialog::onChoice()
{
    const QString chosen = letter();
    m_ok->setEnabled(chosen != m_current);
    if (chosen == m_current)
        m_note->setText(chosen.isEmpty() ? tr("The partition has no letter now.") : tr("This is the letter it has now."));
    else if (chosen.isEmpty())
        m_note->setText(tr("The volume and its files stay, but neither Explorer nor programs can reach it until it has a "
                           "letter again."));
    else if (m_current.isEmpty())
        m_note->setText(tr("The volume will be reachable as %1:.").arg(chosen));
    else
        m_note->setText(tr("Programs and shortcuts that use %1: will not find the volume under %2:.").arg(m_current, chosen));
}

VolumeLabelDialog::VolumeLabelDialog(const PartitionInfo &partition, QWidget *parent)
    : QDialog(parent), m_fileSystem(partition.fileSystem.trimmed()), m_current(partition.volumeLabel)
{
    setObjectName(QStringLiteral("volumeLabelDialog"));
    setWindowTitle(tr("Rename Volume"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(wrappedLabel(tr("New name for %1 (%2, at most %3 characters):")
                                       .arg(partitionName(partition), m_fileSystem)
                                       .arg(volumelabel::maxLength(m_fileSystem)),
                                   "labelIntroLabel", this));
    m_edit = new QLineEdit(partition.volumeLabel, this);
    m_edit->setObjectName(QStringLiteral("labelEdit"));
    m_edit->selectAll();
    layout->addWidget(m_edit);
    m_refusal = wrappedLabel(QString(), "labelRefusalLabel", this);
    m_refusal->setStyleSheet(QStringLiteral("color: #c53030;"));
    layout->addWidget(m_refusal);
    m_ok = addButtons(this, layout, tr("Rename"));
    connect(m_edit, &QLineEdit::textChanged, this, &VolumeLabelDialog::onEdited);
    onEdited();
    setMinimumWidth(420);
}

QString VolumeLabelDialog::label() const
{
    return m_edit->text().trimmed();
}

void VolumeLabelDialog::onEdited()
{
    const QString refusal = volumelabel::refusal(m_fileSystem, label());
    m_refusal->setText(refusal);
    m_refusal->setVisible(!refusal.isEmpty());
    m_ok->setEnabled(refusal.isEmpty() && label() != m_current);
}

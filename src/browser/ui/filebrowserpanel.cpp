// SPDX-License-Identifier: GPL-3.0-or-later
// The file browser panel: listing, history, the folder picker and double clicks.
#include "browser/ui/filebrowserpanel.h"

#include "platform/uitext.h"

#include "browser/directoryhistory.h"
#include "browser/fileattributes.h"
#include "browser/listingrules.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>

namespace Qb::Browser::Ui {

using namespace Qt::StringLiterals;

namespace {

enum Column { NameColumn = 0, SizeColumn = 1 };

// A row that keeps its texts, picture and image index itself: ten thousand rows must not each go
// through the item's generic storage of one value per column and role.
class FileRow : public QTreeWidgetItem
{
public:
    FileRow(QString name, QString size, int image, QIcon icon)
        : QTreeWidgetItem(UserType)
        , m_name(std::move(name))
        , m_size(std::move(size))
        , m_image(image)
        , m_icon(std::move(icon))
    {
    }

    QVariant data(int column, int role) const override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return column == NameColumn ? m_name : column == SizeColumn ? m_size : QVariant();
        if (column == NameColumn && role == Qt::DecorationRole)
            return m_icon;
        if (column == NameColumn && role == FileBrowserPanel::ImageIndexRole)
            return m_image;
        return QTreeWidgetItem::data(column, role);
    }

private:
    QString m_name;
    QString m_size;
    int m_image;
    QIcon m_icon;
};

QTreeWidgetItem *makeRow(const ListedEntry &entry, FileIconList &images)
{
    const int image = images.FileIconIndex(entry.info);
    return new FileRow(entry.name, entry.directory ? QString() : sizeCell(entry.info.size()), image,
                       images.icon(image));
}

} // namespace

FileBrowserPanel::FileBrowserPanel(QComboBox *directoryBox, QPushButton *browseButton, QTreeWidget *fileList,
                                   const Settings::AppSettings &settings, ScriptOpener openScript,
                                   QObject *parent)
    : QObject(parent)
    , m_directoryBox(directoryBox)
    , m_fileList(fileList)
    , m_settings(settings)
    , m_openScript(std::move(openScript))
    , m_openWithSystem(openWithDesktop)
    , m_chooser([this](const QString &title, const QString &start) { return chooseWithDialog(title, start); })
    , m_notifier([this](const QString &text) { notifyWithMessageBox(text); })
{
    setObjectName(u"FileBrowserPanel"_s);
    // Enter in the box must not add the typed text to the remembered directories.
    m_directoryBox->setInsertPolicy(QComboBox::NoInsert);
    m_fileList->setIconSize(QSize(FileIconList::ImageSide, FileIconList::ImageSide));
    m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(browseButton, &QPushButton::clicked, this, &FileBrowserPanel::OnBrowseClicked);
    connect(m_fileList, &QTreeWidget::itemDoubleClicked, this, &FileBrowserPanel::OnFileListDoubleClick);
    connect(m_directoryBox, &QComboBox::activated, this, &FileBrowserPanel::OnDirectoryListSelected);
}

void FileBrowserPanel::RestoreFileBrowser()
{
    const RestoredHistory history = restoreHistory(m_settings.read(Settings::Keys::LocalDirectories));
    m_directoryBox->clear();
    m_directoryBox->addItems(history.entries);
    m_directoryBox->setEditText(history.current);
    ListDirectory();
}

void FileBrowserPanel::ListDirectory()
{
    m_listedBase = listingBase(m_directoryBox->currentText());
    const QList<ListedEntry> entries = listDirectoryEntries(m_listedBase);
    m_fileList->clear();
    QList<QTreeWidgetItem *> rows;
    rows.reserve(entries.size());
    bool anyFile = false;
    for (const ListedEntry &entry : entries) {
        rows.append(makeRow(entry, m_images));
        anyFile = anyFile || !entry.directory;
    }
    m_fileList->addTopLevelItems(rows);
    // Once for all rows: the width is the same as after each file row, without measuring the
    // whole list again per row.
    if (anyFile)
        m_fileList->resizeColumnToContents(NameColumn);
}

void FileBrowserPanel::OnBrowseClicked()
{
    const QString chosen = m_chooser(QbText::tr("选择本地目录"), m_directoryBox->currentText());
    if (chosen.isEmpty())
        return;
    m_directoryBox->setEditText(chosen);
    ListDirectory();
    SaveDirectoryHistory();
}

void FileBrowserPanel::SaveDirectoryHistory()
{
    const QString current = m_directoryBox->currentText();
    QStringList entries;
    for (int i = 0; i < m_directoryBox->count(); ++i)
        entries.append(m_directoryBox->itemText(i));
    const SavedHistory saved = saveHistory(current, entries);
    if (saved.appendCurrent) {
        m_directoryBox->addItem(current);
        m_directoryBox->setEditText(current);
    }
    m_settings.write(Settings::Keys::LocalDirectories, saved.value);
}

void FileBrowserPanel::OnFileListDoubleClick()
{
    const QList<QTreeWidgetItem *> selected = m_fileList->selectedItems();
    if (selected.isEmpty())
        return;
    const QString name = selected.first()->text(NameColumn);
    const QString path = m_listedBase + name;
    if ((fileAttributes(path) & Attribute::Mask) == Attribute::Directory) {
        m_directoryBox->setEditText(path);
        ListDirectory();
        return;
    }
    openFileRow(path, name);
}

void FileBrowserPanel::OnDirectoryListSelected(int)
{
}

void FileBrowserPanel::openFileRow(const QString &path, const QString &name)
{
    if (!QFileInfo::exists(path)) {
        m_notifier(QbText::tr("“%1”已不存在。").arg(name));
        ListDirectory();
        return;
    }
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot >= 0 && QStringView(path).mid(dot + 1) == u"py")
        m_openScript(path);
    else
        m_openWithSystem(path);
}

QString FileBrowserPanel::chooseWithDialog(const QString &title, const QString &start) const
{
    return QFileDialog::getExistingDirectory(m_fileList->window(), title, start, QFileDialog::ShowDirsOnly);
}

void FileBrowserPanel::notifyWithMessageBox(const QString &text) const
{
    QMessageBox::information(m_fileList->window(), QbText::tr("信息："), text);
}

bool openWithDesktop(const QString &path)
{
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return true;
    return QProcess::startDetached(u"xdg-open"_s, {path});
}

} // namespace Qb::Browser::Ui

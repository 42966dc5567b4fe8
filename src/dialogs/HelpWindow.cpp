#include "dialogs/HelpWindow.h"

#include "common/Messages.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStyle>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString T(const char* text) { return QString::fromUtf8(text); }

constexpr int kPageRole = Qt::UserRole;  // a contents item's page, with its section

QUrl withoutSection(const QUrl& url) { return url.adjusted(QUrl::RemoveFragment); }

// The page viewer: a page that cannot be read shows a text that says so, instead of nothing.
class THelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl& name) override
    {
        QVariant resource = QTextBrowser::loadResource(type, name);
        if (type == QTextDocument::HtmlResource && !resource.isValid()) {
            const QString path = name.isLocalFile() ? QDir::toNativeSeparators(name.toLocalFile()) : name.toString();
            resource = T(msg::HelpPageMissing).arg(path.toHtmlEscaped());
        }
        return resource;
    }
};

// The page with its title (its first heading) and its sections (the second-level headings that
// carry an id, which links and the contents go to).
struct PageOutline {
    QString title;
    QList<QPair<QString, QString>> sections;  // heading, id
};

PageOutline outlineOf(const QString& file)
{
    PageOutline outline;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return outline;
    QTextDocument document;
    document.setHtml(QString::fromUtf8(f.readAll()));
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level == 1 && outline.title.isEmpty())
            outline.title = block.text().trimmed();
        if (level != 2)
            continue;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QStringList anchors = it.fragment().charFormat().anchorNames();
            if (!anchors.isEmpty()) {
                outline.sections.append({block.text().trimmed(), anchors.first()});
                break;
            }
        }
    }
    if (outline.title.isEmpty())
        outline.title = document.metaInformation(QTextDocument::DocumentTitle);
    return outline;
}

}  // namespace

TfrmHelp* TfrmHelp::ShowHelp(QWidget* owner, const QUrl& page, ErrorReport report)
{
    auto* help = owner->findChild<TfrmHelp*>(QString(), Qt::FindDirectChildrenOnly);
    if (!help) {
        help = new TfrmHelp(owner, std::move(report));
        help->setAttribute(Qt::WA_DeleteOnClose);
    }
    help->ShowPage(page);
    help->show();
    help->raise();
    help->activateWindow();
    return help;
}

TfrmHelp::TfrmHelp(QWidget* owner, ErrorReport report) : QMainWindow(owner, Qt::Window), m_report(std::move(report))
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(T(msg::HelpWindowCaption));

    tvContents = new QTreeWidget;
    tvContents->setObjectName(QStringLiteral("tvContents"));
    tvContents->setHeaderHidden(true);
    tvContents->setColumnCount(1);
    connect(tvContents, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { contentsItemActivated(item); });
    connect(tvContents, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { contentsItemActivated(item); });

    txtPage = new THelpBrowser;
    txtPage->setObjectName(QStringLiteral("txtPage"));
    // every link comes here: pages and sections are shown here, the web goes to the browser
    txtPage->setOpenLinks(false);
    txtPage->setOpenExternalLinks(false);
    connect(txtPage, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) { linkActivated(link); });
    connect(txtPage, &QTextBrowser::sourceChanged, this, [this](const QUrl& page) { pageChanged(page); });

    pnlFind = new QWidget;
    pnlFind->setObjectName(QStringLiteral("pnlFind"));
    edtFind = new QLineEdit;
    edtFind->setObjectName(QStringLiteral("edtFind"));
    edtFind->setClearButtonEnabled(true);
    lblFindResult = new QLabel;
    lblFindResult->setObjectName(QStringLiteral("lblFindResult"));
    auto* findLabel = new QLabel(T(msg::HelpFindLabel));
    findLabel->setBuddy(edtFind);

    createActions();

    auto* findLayout = new QHBoxLayout(pnlFind);
    findLayout->setContentsMargins(4, 2, 4, 2);
    findLayout->addWidget(findLabel);
    findLayout->addWidget(edtFind, 1);
    for (QAction* action : {actFindPrevious, actFindNext}) {
        auto* button = new QToolButton;
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        findLayout->addWidget(button);
    }
    findLayout->addWidget(lblFindResult);
    pnlFind->hide();
    connect(edtFind, &QLineEdit::returnPressed, this, [this] { Find(edtFind->text()); });
    connect(edtFind, &QLineEdit::textEdited, this, [this](const QString& text) {
        // searched again from the start of the current match as the text grows
        QTextCursor cursor = txtPage->textCursor();
        cursor.setPosition(cursor.selectionStart());
        txtPage->setTextCursor(cursor);
        if (text.isEmpty())
            lblFindResult->clear();
        else
            Find(text);
    });

    auto* pageSide = new QWidget;
    auto* pageLayout = new QVBoxLayout(pageSide);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    pageLayout->addWidget(txtPage, 1);
    pageLayout->addWidget(pnlFind);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(tvContents);
    splitter->addWidget(pageSide);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 640});
    setCentralWidget(splitter);
    resize(900, 650);
}

void TfrmHelp::createActions()
{
    const auto action = [this](const char* name, const char* text, QStyle::StandardPixmap icon, QKeySequence key) {
        auto* a = new QAction(T(text), this);
        a->setObjectName(QLatin1String(name));
        if (icon != QStyle::SP_CustomBase)
            a->setIcon(style()->standardIcon(icon));
        a->setShortcut(key);
        addAction(a);
        return a;
    };
    actBack = action("actBack", msg::HelpBack, QStyle::SP_ArrowBack, QKeySequence::Back);
    actForward = action("actForward", msg::HelpForward, QStyle::SP_ArrowForward, QKeySequence::Forward);
    actHome = action("actHome", msg::HelpHome, QStyle::SP_DirHomeIcon, QKeySequence(Qt::ALT | Qt::Key_Home));
    actFind = action("actFind", msg::HelpFind, QStyle::SP_FileDialogContentsView, QKeySequence::Find);
    actFindNext = action("actFindNext", msg::HelpFindNext, QStyle::SP_ArrowDown, QKeySequence::FindNext);
    actFindPrevious = action("actFindPrevious", msg::HelpFindPrevious, QStyle::SP_ArrowUp, QKeySequence::FindPrevious);
    actOpenInBrowser = action("actOpenInBrowser", msg::HelpOpenInBrowser, QStyle::SP_DesktopIcon, QKeySequence());
    actClose = action("actClose", msg::HelpClose, QStyle::SP_CustomBase, QKeySequence::Close);
    actBack->setEnabled(false);
    actForward->setEnabled(false);

    connect(actBack, &QAction::triggered, txtPage, &QTextBrowser::backward);
    connect(actForward, &QAction::triggered, txtPage, &QTextBrowser::forward);
    connect(txtPage, &QTextBrowser::backwardAvailable, actBack, &QAction::setEnabled);
    connect(txtPage, &QTextBrowser::forwardAvailable, actForward, &QAction::setEnabled);
    connect(actHome, &QAction::triggered, this,
            [this] { txtPage->setSource(QUrl::fromLocalFile(QDir(m_folder).filePath(T(msg::HelpHomePage)))); });
    connect(actFind, &QAction::triggered, this, [this] { openFindBar(); });
    connect(actFindNext, &QAction::triggered, this, [this] { Find(edtFind->text()); });
    connect(actFindPrevious, &QAction::triggered, this, [this] { Find(edtFind->text(), true); });
    connect(actOpenInBrowser, &QAction::triggered, this, [this] { openInBrowser(CurrentPage(), m_report); });
    connect(actClose, &QAction::triggered, this, &QWidget::close);

    QToolBar* bar = addToolBar(T(msg::HelpWindowCaption));
    bar->setObjectName(QStringLiteral("tlbHelp"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->addActions({actBack, actForward, actHome});
    bar->addSeparator();
    bar->addActions({actFind, actOpenInBrowser});
}

void TfrmHelp::ShowPage(const QUrl& page)
{
    const QString folder = QFileInfo(page.toLocalFile()).absolutePath();
    if (folder != m_folder)
        fillContents(folder);
    txtPage->setSource(page);
}

QUrl TfrmHelp::CurrentPage() const { return txtPage->source(); }

void TfrmHelp::fillContents(const QString& folder)
{
    m_folder = folder;
    tvContents->clear();
    const QString home = T(msg::HelpHomePage);
    QStringList pages = QDir(folder).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    if (pages.removeAll(home) > 0)
        pages.prepend(home);
    for (const QString& name : pages) {
        const QString file = QDir(folder).filePath(name);
        const QUrl url = QUrl::fromLocalFile(file);
        const PageOutline outline = outlineOf(file);
        auto* pageItem = new QTreeWidgetItem(tvContents, {outline.title.isEmpty() ? name : outline.title});
        pageItem->setData(0, kPageRole, url);
        for (const auto& [heading, id] : outline.sections) {
            QUrl section = url;
            section.setFragment(id);
            auto* item = new QTreeWidgetItem(pageItem, {heading});
            item->setData(0, kPageRole, section);
        }
    }
    tvContents->expandAll();
}

void TfrmHelp::contentsItemActivated(QTreeWidgetItem* item)
{
    const QUrl target = item->data(0, kPageRole).toUrl();
    if (target.isValid() && target != txtPage->source())
        txtPage->setSource(target);
}

void TfrmHelp::linkActivated(const QUrl& link)
{
    const QUrl target = txtPage->source().resolved(link);
    if (target.isLocalFile() || target.scheme().isEmpty())
        txtPage->setSource(target);
    else
        openInBrowser(target, m_report);
}

void TfrmHelp::pageChanged(const QUrl& page)
{
    // the contents follow the page: its section, or the page itself
    const QUrl pageOnly = withoutSection(page);
    QTreeWidgetItem* found = nullptr;
    for (int i = 0; i < tvContents->topLevelItemCount() && !found; ++i) {
        QTreeWidgetItem* pageItem = tvContents->topLevelItem(i);
        if (pageItem->data(0, kPageRole).toUrl() != pageOnly)
            continue;
        found = pageItem;
        for (int j = 0; j < pageItem->childCount(); ++j)
            if (pageItem->child(j)->data(0, kPageRole).toUrl() == page)
                found = pageItem->child(j);
    }
    const QSignalBlocker quiet(tvContents);
    tvContents->setCurrentItem(found);
    lblFindResult->clear();
}

void TfrmHelp::openFindBar()
{
    pnlFind->show();
    const QString selected = txtPage->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        edtFind->setText(selected);
    edtFind->setFocus(Qt::ShortcutFocusReason);
    edtFind->selectAll();
}

bool TfrmHelp::Find(const QString& text, bool backward)
{
    if (text.isEmpty()) {
        openFindBar();
        return false;
    }
    pnlFind->show();
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = txtPage->find(text, flags);
    if (!found) {
        // round from the other end
        QTextCursor cursor = txtPage->textCursor();
        cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        txtPage->setTextCursor(cursor);
        found = txtPage->find(text, flags);
    }
    lblFindResult->setText(found ? QString() : T(msg::HelpFindNotFound));
    return found;
}

void TfrmHelp::keyPressEvent(QKeyEvent* event)
{
    // Escape closes the find bar first, then the window
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (pnlFind->isVisible()) {
            pnlFind->hide();
            txtPage->setFocus();
        } else {
            close();
        }
        return;
    }
    QMainWindow::keyPressEvent(event);
}

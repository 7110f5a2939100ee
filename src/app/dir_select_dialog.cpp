#include "app/dir_select_dialog.h"

#include "app/vendor_contact.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeView>
#include <QVBoxLayout>

namespace tw::app {

namespace {

/// "/a/b" → "/", "/a", "/a/b": the entries of the path box.
QStringList PathChain(const QString& path) {
    QStringList chain{"/"};
    QString prefix;
    for (const QString& part : path.split('/', Qt::SkipEmptyParts)) {
        prefix += "/" + part;
        chain << prefix;
    }
    return chain;
}

} // namespace

TDirSelectDialogWindow::TDirSelectDialogWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("DirSelectDialog");
    setWindowTitle(QString::fromUtf8("选择目录"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    m_Model = new QFileSystemModel(this);
    m_Model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_Model->setOption(QFileSystemModel::DontWatchForChanges);
    m_Model->setReadOnly(true);
    m_Model->setRootPath("/");

    ShellComboBox1 = new QComboBox(this);
    ShellComboBox1->setObjectName("ShellComboBox1");
    ShellComboBox1->setEditable(true);
    ShellComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ShellTreeView1 = new QTreeView(this);
    ShellTreeView1->setObjectName("ShellTreeView1");
    ShellTreeView1->setModel(m_Model);
    for (int column = 1; column < m_Model->columnCount(); ++column) {
        ShellTreeView1->hideColumn(column);
    }
    ShellTreeView1->header()->hide();
    ShellTreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ShellTreeView1->setMinimumSize(233, 177);

    auto* folderCaption = new QLabel(QString::fromUtf8("目录"), this);
    folderCaption->setObjectName("Label1");
    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    Label2->setWordWrap(true);
    auto* fatCaption = new QLabel(QString::fromUtf8("选择fat表"), this);
    fatCaption->setObjectName("Label4");
    ComboBoxFAT = new QComboBox(this);
    ComboBoxFAT->setObjectName("ComboBoxFAT");
    ComboBoxFAT->setEditable(false);
    auto* spare = new QLabel(this);
    spare->setObjectName("Label5");

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* line = new QFrame(this);
    line->setObjectName("Panel1");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setLineWidth(1);
    line->setMidLineWidth(0);
    auto* notice = new QLabel(QString::fromUtf8("如果您恢复出来的文件有损坏，请联系我们，") +
                                  QString::fromUtf8(" 网站 ") + VendorWebAddress +
                                  QString::fromUtf8("  在线客服 ") + VendorChatNumber +
                                  QString::fromUtf8("  电话 ") + VendorPhone,
                              this);
    notice->setObjectName("Label3");
    notice->setWordWrap(true);
    notice->setStyleSheet("QLabel { color: red; font-weight: bold; }");

    auto* left = new QVBoxLayout;
    left->addWidget(ShellComboBox1);
    left->addWidget(ShellTreeView1, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(Button1);
    right->addWidget(Button2);
    right->addSpacing(12);
    right->addWidget(fatCaption);
    right->addWidget(ComboBoxFAT);
    right->addWidget(spare);
    right->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(right);
    auto* chosen = new QHBoxLayout;
    chosen->addWidget(folderCaption, 0, Qt::AlignTop);
    chosen->addWidget(Label2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(chosen);
    layout->addWidget(line);
    layout->addWidget(notice);
    resize(414, 314);

    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    ShowPath(m_Model->filePath(current));
                }
            });
    connect(ShellComboBox1, &QComboBox::textActivated, this, [this] { PathTyped(); });
    connect(ShellComboBox1->lineEdit(), &QLineEdit::editingFinished, this, [this] { PathTyped(); });
    ShellComboBox1->lineEdit()->installEventFilter(this);

    if (!SelectDirectory(QDir::homePath())) {
        SelectDirectory("/");
    }
}

bool TDirSelectDialogWindow::SelectDirectory(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir()) {
        return false;
    }
    const QModelIndex index = m_Model->index(info.absoluteFilePath());
    if (!index.isValid()) {
        return false;
    }
    ShellTreeView1->setCurrentIndex(index);
    ShellTreeView1->scrollTo(index);
    // A folder already current sends no change; the path box may show a typed text.
    ShowPath(m_Model->filePath(index));
    return true;
}

bool TDirSelectDialogWindow::Execute() {
    ComboBoxFAT->clear();
    for (const std::string& choice : FATChoices) {
        ComboBoxFAT->addItem(QString::fromStdString(choice));
    }
    const int count = ComboBoxFAT->count();
    ComboBoxFAT->setCurrentIndex(SelectedFAT >= 0 && SelectedFAT < count ? SelectedFAT
                                 : count > 0                             ? 0
                                                                         : -1);
    ShellTreeView1->setFocus();
    ShellTreeView1->scrollTo(ShellTreeView1->currentIndex());
    if (exec() != QDialog::Accepted) {
        return false;
    }
    SelectedFAT = ComboBoxFAT->currentIndex();
    Directory = m_Path.toStdString();
    return true;
}

bool TDirSelectDialogWindow::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the path box moves to the typed folder; it does not press OK.
    if (watched == ShellComboBox1->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            PathTyped();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TDirSelectDialogWindow::ShowPath(const QString& path) {
    m_Path = path.isEmpty() ? QString("/") : path;
    {
        const QSignalBlocker blocker(ShellComboBox1);
        ShellComboBox1->clear();
        const QStringList chain = PathChain(m_Path);
        ShellComboBox1->addItems(chain);
        ShellComboBox1->setCurrentIndex(static_cast<int>(chain.size()) - 1);
    }
    Label2->setText(m_Path.endsWith('/') ? m_Path : m_Path + "/");
}

void TDirSelectDialogWindow::PathTyped() {
    const QString typed = ShellComboBox1->currentText().trimmed();
    if (typed == m_Path) {
        return;
    }
    if (!SelectDirectory(QDir::cleanPath(QDir(m_Path).absoluteFilePath(typed)))) {
        // Not a folder: the path box shows the chosen one again.
        ShowPath(m_Path);
    }
}

} // namespace tw::app

#include "reports/ui/CExportDlg.h"

#include "core/Folders.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "framework/ui/MessageBox.h"
#include "reports/ExportSettings.h"
#include "reports/ReportFiles.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

constexpr int kLimit = 128;
constexpr int kMessageLimit = 64;

// The extension of a filter such as "xlsx Files(*.xlsx)".
QString SuffixOf(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral(R"(\(\*\.([^)*;\s]+)\))"));
    return pattern.match(filter).captured(1);
}

QString DefaultFileChooser(QWidget* parent, const QStringList& filters,
                           const QString& defaultSuffix) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(defaultSuffix);
    // A name typed without extension gets the one of the chosen file type.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) {
                         const QString suffix = SuffixOf(filter);
                         if (!suffix.isEmpty()) {
                             dialog.setDefaultSuffix(suffix);
                         }
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

CExportDlg::FileChooser& FileChooserSeam() {
    static CExportDlg::FileChooser chooser = DefaultFileChooser;
    return chooser;
}

QLineEdit* NewEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

// A typed path: "~" stands for the home folder and a relative path lies in
// the snapshot folder, where the pictures it reports on usually are.
QString TypedReportPath(const QString& typed) {
    QString path = QDir::fromNativeSeparators(typed.trimmed());
    if (path.isEmpty()) {
        return path;
    }
    if (path.startsWith(QStringLiteral("~/"))) {
        path = QDir::homePath() + path.mid(1);
    }
    return QDir::cleanPath(QDir(g_folders.snapshotFolder).absoluteFilePath(path));
}

} // namespace

void CExportDlg::SetFileChooser(FileChooser chooser) {
    FileChooserSeam() = chooser ? std::move(chooser) : DefaultFileChooser;
}

CExportDlg::CExportDlg(Mode mode, QWidget* parent)
    : QDialog(parent)
    , m_mode(mode)
    , m_title(NewEdit("title", this))
    , m_company(NewEdit("company", this))
    , m_author(NewEdit("author", this))
    , m_path(NewEdit("path", this))
    , m_browse(new QPushButton(QStringLiteral("*"), this))
    , m_addImage(new QCheckBox(this)) {
    const bool excel = mode == Mode::Excel;
    setWindowTitle(excel
                       ? GetLanguageString("ExportExcel", QStringLiteral("Export to excel"), kLimit)
                       : GetLanguageString("ExportWord", QStringLiteral("Export to word"), kLimit));

    m_title->setText(GetLanguageString("MeasureReport", QStringLiteral("Measure Report"), kLimit));
    m_path->setMinimumWidth(260);
    m_browse->setObjectName(QStringLiteral("choosePath"));
    m_browse->setAutoDefault(false);
    m_browse->setFixedWidth(m_browse->fontMetrics().horizontalAdvance(u'*') + 32);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(GetLanguageString("Title", QStringLiteral("Title"), kLimit)), 0,
                      0);
    fields->addWidget(m_title, 0, 1, 1, 2);
    fields->addWidget(new QLabel(GetLanguageString("Company", QStringLiteral("Company"), kLimit)),
                      1, 0);
    fields->addWidget(m_company, 1, 1, 1, 2);
    fields->addWidget(new QLabel(GetLanguageString("Author", QStringLiteral("Author"), kLimit)), 2,
                      0);
    fields->addWidget(m_author, 2, 1, 1, 2);
    fields->addWidget(new QLabel(GetLanguageString("SavePath", QStringLiteral("Path"), kLimit)), 3,
                      0);
    fields->addWidget(m_path, 3, 1);
    fields->addWidget(m_browse, 3, 2);
    fields->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);

    m_addImage->setObjectName(QStringLiteral("addImage"));
    m_addImage->setText(
        excel ? GetLanguageString("AddImageExcel", QStringLiteral("Add image to excel"), kLimit)
              : GetLanguageString("AddImageWord", QStringLiteral("Add image to word"), kLimit));
    m_addImage->setChecked(g_parameters.addexportimage == 1);
    layout->addWidget(m_addImage);

    if (excel) {
        m_selective = new QCheckBox(
            GetLanguageString("AddExcel", QStringLiteral("Selectively add to excel"), kLimit),
            this);
        m_selective->setObjectName(QStringLiteral("selective"));
        layout->addWidget(m_selective);

        auto* orientations = new QButtonGroup(this);
        auto* row = new QHBoxLayout;
        const char16_t* const captions[] = {u"横向", u"垂直"};
        for (int choice = 0; choice < 2; ++choice) {
            auto* radio = new QRadioButton(QString::fromUtf16(captions[choice]), this);
            radio->setObjectName(QString::asprintf("orientation%d", choice));
            radio->setChecked(choice == m_orientation);
            orientations->addButton(radio, choice);
            row->addWidget(radio);
        }
        row->addStretch();
        layout->addLayout(row);
        connect(orientations, &QButtonGroup::idClicked, this,
                [this](int choice) { m_orientation = choice; });
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addStretch();
    layout->addWidget(buttons);

    connect(m_browse, &QPushButton::clicked, this, &CExportDlg::ChooseFile);
    connect(buttons, &QDialogButtonBox::accepted, this, &CExportDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CExportDlg::reject);
}

void CExportDlg::ChooseFile() {
    const bool excel = m_mode == Mode::Excel;
    // The first filter lists both kinds the family writes, so that an
    // existing report of either kind can be seen and picked.
    const QStringList filters =
        excel
            ? QStringList{GetLanguageString("SpreadsheetFiles", QStringLiteral("Spreadsheets"),
                                            kLimit) +
                              QStringLiteral(" (*.xls *.xlsx)"),
                          QStringLiteral("xls Files(*.xls)"), QStringLiteral("xlsx Files(*.xlsx)")}
            : QStringList{GetLanguageString("WordFiles", QStringLiteral("Documents"), kLimit) +
                              QStringLiteral(" (*.doc *.docx)"),
                          QStringLiteral("Doc Files(*.doc)"), QStringLiteral("Docx files(*.docx)")};
    const QString chosen =
        FileChooserSeam()(this, filters, excel ? QStringLiteral("xls") : QStringLiteral("doc"));
    if (!chosen.isEmpty()) {
        m_path->setText(chosen);
    }
}

void CExportDlg::accept() {
    g_exportSettings.path = TypedReportPath(m_path->text());
    g_exportSettings.title = m_title->text();
    g_exportSettings.company = m_company->text();
    g_exportSettings.author = m_author->text();

    QString missing;
    QWidget* field = nullptr;
    if (g_exportSettings.path.isEmpty()) {
        missing = GetLanguageString("SelectPath", QStringLiteral("Please select save path"),
                                    kMessageLimit);
        field = m_browse;
    } else if (g_exportSettings.title.isEmpty()) {
        missing =
            GetLanguageString("SelectTitle", QStringLiteral("Please enter title"), kMessageLimit);
        field = m_title;
    } else if (g_exportSettings.company.isEmpty()) {
        missing = GetLanguageString("SelectCompany", QStringLiteral("Please enter company name"),
                                    kMessageLimit);
        field = m_company;
    } else if (g_exportSettings.author.isEmpty()) {
        missing =
            GetLanguageString("SelectAuthor", QStringLiteral("Please enter author"), kMessageLimit);
        field = m_author;
    }
    if (field != nullptr) {
        ShowMessageBox(this, missing, QString());
        field->setFocus();
        return;
    }

    // The report is written in the kind its name says; a name without a
    // report extension gets the mode's default one.
    g_exportSettings.path = ReportPathForFamily(g_exportSettings.path, m_mode == Mode::Excel);
    g_exportSettings.selective = m_selective != nullptr && m_selective->isChecked();
    g_parameters.addexportimage = m_addImage->isChecked() ? 1 : 0;
    SaveParameters();
    QDialog::accept();
}

#include "tools/ui/CAddTextDlg.h"

#include "core/Language.h"

#include <algorithm>
#include <cmath>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

constexpr int kLimit = 128;
constexpr int kHeightPerSize = 3;
const QColor kStaticText(255, 0, 0);
const QColor kBackground(200, 200, 200);

// The scalable outline families of the screen, as a font list offers them.
QStringList OutlineFamilies() {
    QStringList families;
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isSmoothlyScalable(family) && !QFontDatabase::isPrivateFamily(family)) {
            families << family;
        }
    }
    return families;
}

// Arial where the system has it, otherwise the family it stands in for Arial.
int InitialFace(const QComboBox& faces) {
    const QString arial = QStringLiteral("Arial");
    int index = faces.findText(arial);
    if (index < 0) {
        index = faces.findText(QFontInfo(QFont(arial)).family());
    }
    return std::max(index, 0);
}

QLabel* StaticText(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kStaticText);
    label->setPalette(palette);
    return label;
}

} // namespace

CAddTextDlg::CAddTextDlg(QWidget* parent)
    : QDialog(parent)
    , m_edit(new QLineEdit(this))
    , m_faces(new QComboBox(this))
    , m_sizes(new QComboBox(this))
    , m_sample(StaticText(GetLanguageString("Sample", QStringLiteral("Sample"), kLimit), this)) {
    setWindowTitle(GetLanguageString("AddTextTitle", QStringLiteral("Add Text"), kLimit));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    setPalette(palette);
    setAutoFillBackground(true);

    m_edit->setObjectName(QStringLiteral("text"));
    m_faces->setObjectName(QStringLiteral("face"));
    m_sizes->setObjectName(QStringLiteral("size"));
    m_sample->setObjectName(QStringLiteral("sample"));
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMinimumSize(240, 80);

    m_faces->addItems(OutlineFamilies());
    for (const int size : kSizes) {
        m_sizes->addItem(QString::asprintf("%d", size));
    }
    m_faces->setCurrentIndex(InitialFace(*m_faces));
    m_sizes->setCurrentIndex(kInitialSizeIndex);

    auto* fields = new QGridLayout;
    fields->addWidget(
        StaticText(GetLanguageString("AddText", QStringLiteral("Text"), kLimit), this), 0, 0);
    fields->addWidget(m_edit, 0, 1);
    fields->addWidget(
        StaticText(GetLanguageString("TextFont", QStringLiteral("Font"), kLimit), this), 1, 0);
    fields->addWidget(m_faces, 1, 1);
    fields->addWidget(
        StaticText(GetLanguageString("FontSize", QStringLiteral("Font Size"), kLimit), this), 2, 0);
    fields->addWidget(m_sizes, 2, 1);
    fields->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_sample, 1);
    layout->addWidget(buttons);

    connect(m_faces, &QComboBox::currentIndexChanged, this, &CAddTextDlg::FaceChanged);
    connect(m_sizes, &QComboBox::currentIndexChanged, this, &CAddTextDlg::SizeChanged);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddTextDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAddTextDlg::reject);
    FaceChanged();
}

void CAddTextDlg::accept() {
    m_text = m_edit->text();
    QDialog::accept();
}

int CAddTextDlg::SelectedSize() const {
    const int index =
        std::clamp(m_sizes->currentIndex(), 0, static_cast<int>(std::size(kSizes)) - 1);
    return kSizes[index];
}

void CAddTextDlg::FaceChanged() {
    // The listed face is scaled to the chosen height, its width growing with
    // the square of the scale.
    m_sampleHeight = kHeightPerSize * SelectedSize();
    m_sampleWidth = m_sampleHeight * m_sampleHeight / kListedFaceHeight;
    ShowSample();
}

void CAddTextDlg::SizeChanged() {
    m_sampleHeight = kHeightPerSize * SelectedSize();
    m_sampleWidth = m_sampleHeight;
    ShowSample();
}

void CAddTextDlg::ShowSample() {
    QFont font(m_faces->currentText());
    font.setPixelSize(m_sampleHeight);
    // A character width is shown by stretching the face from its own width.
    const int natural = QFontMetrics(font).averageCharWidth();
    if (natural > 0 && m_sampleWidth > 0) {
        const double stretch = std::round(100.0 * m_sampleWidth / natural);
        font.setStretch(static_cast<int>(std::clamp(stretch, 1.0, 4000.0)));
    }
    m_sample->setFont(font);
}

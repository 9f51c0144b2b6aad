#include "capture/ui/CCaptureControlsDlg.h"

#include "capture/CaptureSession.h"
#include "core/Language.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

CCaptureControlsDlg::CCaptureControlsDlg(QWidget* parent)
    : QDialog(parent)
    , m_defaults(new QPushButton(QStringLiteral("Defaults"), this))
    , m_refreshSoon(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Video Capture Filter"));
    // Long enough to cover the gap between a dragged slider's steps.
    m_refreshSoon->setSingleShot(true);
    m_refreshSoon->setInterval(150);
    connect(m_refreshSoon, &QTimer::timeout, this, &CCaptureControlsDlg::Refresh);
    Build();
    connect(m_defaults, &QPushButton::clicked, this, &CCaptureControlsDlg::RestoreDefaults);
    Refresh();
}

QWidget* CCaptureControlsDlg::Editor(std::uint32_t id) const {
    const auto row = m_rows.find(id);
    return row == m_rows.end() ? nullptr : row->second.editor;
}

QLabel* CCaptureControlsDlg::Refusal(std::uint32_t id) const {
    const auto row = m_rows.find(id);
    return row == m_rows.end() ? nullptr : row->second.refusal;
}

void CCaptureControlsDlg::Build() {
    auto* grid = new QGridLayout;
    const std::vector<CaptureControl> controls = g_captureSession.camera != nullptr
                                                     ? g_captureSession.camera->Controls()
                                                     : std::vector<CaptureControl>{};
    int line = 0;
    for (const CaptureControl& control : controls) {
        Row row{control, nullptr, nullptr, nullptr, new QLabel(this)};
        const QString name = QString::fromStdString(control.name);
        const std::uint32_t id = control.id;
        switch (control.kind) {
        case ControlKind::Integer: {
            auto* slider = new QSlider(Qt::Horizontal, this);
            auto* spin = new QSpinBox(this);
            slider->setRange(control.minimum, control.maximum);
            slider->setSingleStep(std::max(1, control.step));
            spin->setRange(control.minimum, control.maximum);
            spin->setSingleStep(std::max(1, control.step));
            connect(slider, &QSlider::valueChanged, this, [this, id](int v) { Change(id, v); });
            connect(spin, &QSpinBox::valueChanged, this, [this, id](int v) { Change(id, v); });
            row.slider = slider;
            row.editor = spin;
            break;
        }
        case ControlKind::Boolean: {
            auto* check = new QCheckBox(this);
            connect(check, &QCheckBox::toggled, this,
                    [this, id](bool on) { Change(id, on ? 1 : 0); });
            row.editor = check;
            break;
        }
        case ControlKind::Menu: {
            auto* combo = new QComboBox(this);
            for (const ControlMenuItem& item : control.menu) {
                combo->addItem(QString::fromStdString(item.name), item.value);
            }
            connect(combo, &QComboBox::activated, this,
                    [this, id, combo](int index) { Change(id, combo->itemData(index).toInt()); });
            row.editor = combo;
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(name, this);
            connect(button, &QPushButton::clicked, this, [this, id] { Change(id, 1); });
            row.editor = button;
            break;
        }
        }
        if (control.kind != ControlKind::Button) {
            row.label = new QLabel(name, this);
            grid->addWidget(row.label, line, 0);
        }
        if (row.slider != nullptr) {
            grid->addWidget(row.slider, line, 1);
            grid->addWidget(row.editor, line, 2);
        } else {
            grid->addWidget(row.editor, line, 1, 1, 2);
        }
        row.editor->setObjectName(name);
        row.refusal->setObjectName(name + QStringLiteral(" refusal"));
        row.refusal->setStyleSheet(QStringLiteral("color: #b00020"));
        row.refusal->setVisible(false);
        grid->addWidget(row.refusal, line, 3);
        m_rows.emplace(id, row);
        ++line;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_defaults, QDialogButtonBox::ResetRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCaptureControlsDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    setMinimumWidth(460);
}

void CCaptureControlsDlg::Change(std::uint32_t id, std::int32_t value) {
    const auto row = m_rows.find(id);
    if (row == m_rows.end()) {
        return;
    }
    ICaptureDevice* camera = g_captureSession.camera.get();
    if (camera == nullptr) {
        Refresh(); // greys the page; nothing to ask
        return;
    }
    // The camera checks the value against its current flags and range.
    const CaptureStatus status = camera->SetControl(id, value);
    QLabel* refusal = row->second.refusal;
    refusal->setText(status ? QString()
                            : GetLanguageString(QStringLiteral("ControlRefused"),
                                                QStringLiteral("Refused: %1"), 256)
                                  .arg(QString::fromStdString(status.message)));
    refusal->setVisible(!status);
    if (row->second.control.kind == ControlKind::Integer) {
        // The slider and its spin box follow each other during a drag; the
        // camera's own value comes with the read-back.
        const QSignalBlocker editorBlocker(row->second.editor);
        const QSignalBlocker sliderBlocker(row->second.slider);
        static_cast<QSpinBox*>(row->second.editor)->setValue(value);
        static_cast<QSlider*>(row->second.slider)->setValue(value);
        m_refreshSoon->start();
    } else {
        Refresh();
    }
}

void CCaptureControlsDlg::RestoreDefaults() {
    ICaptureDevice* camera = g_captureSession.camera.get();
    if (camera != nullptr) {
        // A second round for values that an automatic mode held back.
        for (int round = 0; round < 2; ++round) {
            for (const auto& [id, row] : m_rows) {
                if (row.control.kind != ControlKind::Button) {
                    camera->SetControl(id, row.control.defaultValue);
                }
            }
        }
    }
    for (const auto& [id, row] : m_rows) {
        row.refusal->setVisible(false);
    }
    Refresh();
}

void CCaptureControlsDlg::Refresh() {
    m_refreshSoon->stop();
    const std::vector<CaptureControl> controls = g_captureSession.camera != nullptr
                                                     ? g_captureSession.camera->Controls()
                                                     : std::vector<CaptureControl>{};
    m_defaults->setEnabled(!controls.empty());
    for (auto& [id, row] : m_rows) {
        const auto found = std::find_if(controls.begin(), controls.end(),
                                        [id = id](const CaptureControl& c) { return c.id == id; });
        const bool present = found != controls.end();
        const bool enabled = present && !found->inactive && !found->readOnly;
        for (QWidget* widget : {row.editor, row.slider, static_cast<QWidget*>(row.label)}) {
            if (widget != nullptr) {
                widget->setEnabled(enabled);
            }
        }
        if (!present) {
            continue;
        }
        row.control = *found;
        const QSignalBlocker editorBlocker(row.editor);
        if (auto* spin = qobject_cast<QSpinBox*>(row.editor)) {
            spin->setValue(found->value);
            const QSignalBlocker sliderBlocker(row.slider);
            static_cast<QSlider*>(row.slider)->setValue(found->value);
        } else if (auto* check = qobject_cast<QCheckBox*>(row.editor)) {
            check->setChecked(found->value != 0);
        } else if (auto* combo = qobject_cast<QComboBox*>(row.editor)) {
            combo->setCurrentIndex(combo->findData(found->value));
        }
    }
}

#include "ui/editor/RoutineEditor.hpp"

#include "app/signals/PlaceSignal.hpp"
#include "platform/Platform.hpp"
#include "platform/Runtime.hpp"
#include "ui/cloud/CloudFade.hpp"
#include "ui/cloud/CloudScene.hpp"
#include "ui/editor/AlsoSection.hpp"
#include "ui/editor/DescribeCard.hpp"
#include "ui/editor/HowSection.hpp"
#include "ui/editor/OpensSection.hpp"
#include "ui/editor/PutsAwaySection.hpp"
#include "ui/editor/WhenSection.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/PaperCard.hpp"
#include "ui/theme/PlainLabel.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkyLink.hpp"
#include "ui/theme/SunButton.hpp"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace ostrel::ui {

namespace {

constexpr QRect headerArea{108, 112, 470, 120};
constexpr QRect formRect{100, 250, 480, 470};
constexpr QPoint footerAt{100, 726};
constexpr int footerWidth = 480;
constexpr int nameSize = 28;
constexpr int fadeHeight = 40;
// The pale card the form lies on, a little wider than the form.
constexpr QRect cardRect{84, 236, 512, 490};

} // namespace

RoutineEditor::RoutineEditor(std::unique_ptr<RoutineDraft> draft, const EditorContext& context,
                             std::function<void()> close, bool live, bool describing, QWidget* parent)
    : QWidget(parent),
      draft_(std::move(draft)),
      context_(context),
      close_(std::move(close)),
      controller_(*draft_, EditorController::Services{context.store, context.autopilot, context.runtime.clock(),
                                                      context.routinesChanged, context.beep, [this] {
                                                          if (close_) {
                                                              close_();
                                                          }
                                                      }}) {
    setFixedSize(size);
    QPalette light = palette();
    light.setColor(QPalette::WindowText, Sky::ink());
    light.setColor(QPalette::Text, Sky::ink());
    setPalette(light);

    sky_ = new CloudScene(context.runtime.clock(), context.platform.appearance, this);
    sky_->setArt("editor");
    sky_->setBand(std::nullopt);
    sky_->setLive(live);
    sky_->setSkyInset(42);
    sky_->setGeometry(rect());

    // The header: the name typed straight over the sky, and what kind of routine it is.
    nameField_ = new QLineEdit(this);
    nameField_->setFrame(false);
    nameField_->setPlaceholderText("Name it, like Calc lecture");
    nameField_->setFont(Fonts::font(nameSize, Fonts::Weight::bold));
    nameField_->setStyleSheet("QLineEdit { background: transparent; color: white; border: none; padding: 0; }");
    QPalette namePalette = nameField_->palette();
    namePalette.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 150));
    nameField_->setPalette(namePalette);
    auto* shadow = new QGraphicsDropShadowEffect(nameField_);
    shadow->setColor(Sky::faded(Sky::ink(), 0.25));
    shadow->setBlurRadius(12);
    shadow->setOffset(0, 2);
    nameField_->setGraphicsEffect(shadow);
    nameField_->setGeometry(headerArea.x(), headerArea.y(), headerArea.width(), 44);
    connect(nameField_, &QLineEdit::textEdited, this, &RoutineEditor::nameEdited);

    subtitle_ = plainLabel(Fonts::font(14, Fonts::Weight::medium), QColor(255, 255, 255, 235), this);
    subtitle_->setText(QString::fromStdString(controller_.subtitle()));
    subtitle_->setGeometry(headerArea.x(), headerArea.y() + 44 + 4, headerArea.width(), 22);

    auto* card = new PaperCard(this);
    card->setGeometry(cardRect);

    // The form: every section, scrolling within its area and fading out at both ends.
    form_ = new QWidget;
    form_->setAttribute(Qt::WA_TranslucentBackground);
    auto* column = new QVBoxLayout(form_);
    column->setContentsMargins(4, 30, 4, 50);
    column->setSpacing(26);
    if (describing) {
        DescribeFill::Sources sources{context_.runtime.main(), context_.runtime.worker(), context_.model,
                                      context_.installedApps, {}, &context_.platform.displays,
                                      &context_.platform.audio};
        if (PlaceSignal* place = context_.place) {
            sources.network = [place] { return place->currentNetwork(); };
        }
        describeFill_ = std::make_unique<DescribeFill>(*draft_, std::move(sources));
        describeCard_ = new DescribeCard(*describeFill_, form_);
        column->addWidget(describeCard_);
    }
    when_ = new WhenSection(*draft_, context_, form_);
    opens_ = new OpensSection(*draft_, context_, form_);
    putsAway_ = new PutsAwaySection(*draft_, context_, form_);
    also_ = new AlsoSection(*draft_, context_.runtime, context_.commands, form_);
    how_ = new HowSection(*draft_, form_);
    for (QWidget* section : std::initializer_list<QWidget*>{when_, opens_, putsAway_, also_, how_}) {
        column->addWidget(section);
    }
    column->addStretch();

    formArea_ = new QScrollArea(this);
    formArea_->setFrameShape(QFrame::NoFrame);
    formArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    formArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    formArea_->setWidgetResizable(true);
    formArea_->setStyleSheet("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }");
    formArea_->viewport()->setAutoFillBackground(false);
    formArea_->setWidget(form_);
    formArea_->setGeometry(formRect);
    if (!live) {
        // A picture: the form from its top, never scrolled by the wheel.
        formArea_->verticalScrollBar()->setEnabled(false);
    }
    cloudFade(formArea_, fadeHeight);

    // The footer.
    auto* footer = new QWidget(this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    if (controller_.canDelete()) {
        delete_ = new SkyLink(QString::fromStdString(controller_.deleteTitle()), footer);
        connect(delete_, &QAbstractButton::clicked, this, [this] {
            controller_.deleteClicked();
            if (delete_ != nullptr) {
                delete_->setText(QString::fromStdString(controller_.deleteTitle()));
            }
        });
        row->addWidget(delete_);
    }
    row->addStretch();
    try_ = new SunButton("Try it now", false, footer);
    connect(try_, &QAbstractButton::clicked, this, [this] { controller_.tryIt(); });
    row->addWidget(try_);
    save_ = new SunButton(QString::fromStdString(controller_.saveTitle()), false, footer);
    connect(save_, &QAbstractButton::clicked, this, [this] { controller_.save(); });
    row->addWidget(save_);
    footer->setGeometry(footerAt.x(), footerAt.y(), footerWidth, footer->sizeHint().height());

    watching_ = draft_->observe([this](RoutineDraft::Property) { refreshName(); });
    refreshName();
}

RoutineEditor::~RoutineEditor() = default;

void RoutineEditor::keyPressEvent(QKeyEvent* event) {
    // Return reaches here only when no field took it for itself: it is the save button's.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        controller_.save();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void RoutineEditor::nameEdited(const QString& text) {
    naming_ = true;
    draft_->setName(text.toStdString());
    naming_ = false;
    fitName();
}

void RoutineEditor::refreshName() {
    if (naming_) {
        return;
    }
    const QString name = QString::fromStdString(draft_->name());
    if (nameField_->text() != name) {
        nameField_->setText(name);
        nameField_->setCursorPosition(0);
    }
    fitName();
}

void RoutineEditor::fitName() {
    // Shrinks a long name down to 60 % of the size before it is cut.
    const QString text = nameField_->text().isEmpty() ? nameField_->placeholderText() : nameField_->text();
    int size = nameSize;
    const int smallest = nameSize * 6 / 10;
    while (size > smallest &&
           QFontMetrics(Fonts::font(size, Fonts::Weight::bold)).horizontalAdvance(text) > nameField_->width() - 4) {
        --size;
    }
    if (nameField_->font().pixelSize() != size) {
        nameField_->setFont(Fonts::font(size, Fonts::Weight::bold));
    }
}

} // namespace ostrel::ui

#include "windows/people_window.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTableView>
#include <QThread>
#include <atomic>
#include <memory>

#include "people/people_reader.h"
#include "platform/fatal_error.h"
#include "windows/people_model.h"

using namespace Qt::StringLiterals;

const QString ZTAdrF09::Caption = QStringLiteral("人物一覧");

// Reads the people into the model's rows and hands them over in batches,
// queued to the model's thread; a batch for a model that is gone is dropped.
class ZTAdrF09::Loader : public QThread {
public:
    Loader(const QString& dbPath, PeopleModel* model, QObject* parent)
        : QThread(parent), dbPath_(dbPath), model_(model) {}

    // Ends the reading at the next person; the rows read so far may still arrive.
    void stop() { stopped_ = true; }
    // Why reading failed; empty when it did not. Read once finished.
    QString error() const { return error_; }

protected:
    void run() override {
        struct Stopped {};
        try {
            const std::unique_ptr<zt::Database> db = zt::Database::open(dbPath_);
            auto batch = std::make_shared<std::vector<PeopleModel::Row>>();
            // The first batch is small, so the list fills at once.
            std::size_t batchSize = 100;
            zt::forEachPerson(*db, [&](const zt::Person& p) {
                if (stopped_) {
                    throw Stopped();
                }
                batch->push_back(PeopleModel::rowOf(p));
                if (batch->size() >= batchSize) {
                    send(std::exchange(batch, std::make_shared<std::vector<PeopleModel::Row>>()));
                    batchSize = 2000;
                }
            });
            send(batch);
        } catch (const Stopped&) {
        } catch (const std::exception& e) {
            error_ = QString::fromUtf8(e.what());
        }
    }

private:
    void send(const std::shared_ptr<std::vector<PeopleModel::Row>>& batch) {
        QMetaObject::invokeMethod(
            model_, [model = model_, batch] { model->append(std::move(*batch)); }, Qt::QueuedConnection);
    }

    const QString dbPath_;
    PeopleModel* const model_;
    std::atomic<bool> stopped_ = false;
    QString error_;
};

ZTAdrF09::ZTAdrF09(zt::Database& db)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("ZTAdrF09"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Caption);

    Model = new PeopleModel(this);

    auto* searchLabel = new QLabel(QStringLiteral("検索(&S)"), this);
    Search = new QLineEdit(this);
    Search->setObjectName(QStringLiteral("Search"));
    Search->setPlaceholderText(
        QStringLiteral("名前、ふりがな、メールアドレス、電話番号、会社名、グループの一部"));
    Search->setClearButtonEnabled(true);
    searchLabel->setBuddy(Search);
    Count = new QLabel(this);
    Count->setObjectName(QStringLiteral("Count"));

    auto* listLabel = new QLabel(QStringLiteral("一覧(&L)"), this);
    legend_ = new QLabel(this);
    legend_->setObjectName(QStringLiteral("Legend"));
    List = new QTableView(this);
    List->setObjectName(QStringLiteral("List"));
    List->setModel(Model);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->setTabKeyNavigation(false);
    List->setWordWrap(false);
    List->setAlternatingRowColors(true);
    // Rows of one height, never measured: the view stays as fast at 100,000
    // people as at ten.
    List->verticalHeader()->hide();
    List->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    List->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    List->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {40, 160, 130, 220, 140, 150};
    for (int column = 0; column < int(std::size(widths)); ++column) {
        List->setColumnWidth(column, widths[column]);
    }
    listLabel->setBuddy(List);

    auto* lossesLabel = new QLabel(QStringLiteral("報告される項目(&R)"), this);
    Losses = new QPlainTextEdit(this);
    Losses->setObjectName(QStringLiteral("Losses"));
    Losses->setReadOnly(true);
    Losses->setTabChangesFocus(true);
    Losses->setLineWrapMode(QPlainTextEdit::NoWrap);
    Losses->setFixedHeight(fontMetrics().height() * 4 + 12);
    lossesLabel->setBuddy(Losses);

    auto* layout = new QGridLayout(this);
    layout->addWidget(searchLabel, 0, 0);
    layout->addWidget(Search, 0, 1);
    layout->addWidget(Count, 0, 2);
    layout->addWidget(listLabel, 1, 0);
    layout->addWidget(legend_, 1, 1, 1, 2);
    layout->addWidget(List, 2, 0, 1, 3);
    layout->addWidget(lossesLabel, 3, 0, 1, 3);
    layout->addWidget(Losses, 4, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    resize(960, 600);

    setTabOrder(Search, List);
    setTabOrder(List, Losses);
    Search->installEventFilter(this);
    connect(Search, &QLineEdit::textChanged, this, [this](const QString& text) {
        Model->setFilter(text);
        showCount();
    });
    connect(List->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &ZTAdrF09::showLosses);
    connect(Model, &QAbstractItemModel::modelReset, this, &ZTAdrF09::showLosses);
    connect(Model, &QAbstractItemModel::rowsInserted, this, &ZTAdrF09::showCount);
    // A window shortcut: Esc leaves from whichever control has the focus.
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &QWidget::close);
    Search->setFocus();

    dbPath_ = db.path();
    startLoading();
}

ZTAdrF09::~ZTAdrF09() {
    loader_->stop();
    loader_->wait();
}

void ZTAdrF09::startLoading() {
    loading_ = true;
    loader_ = new Loader(dbPath_, Model, this);
    connect(loader_, &QThread::finished, this, &ZTAdrF09::loadingEnded);
    showCount();
    loader_->start();
}

void ZTAdrF09::reload() {
    // The rows of the earlier reading still on their way are dropped with it.
    loader_->disconnect(this);
    loader_->stop();
    loader_->wait();
    QCoreApplication::removePostedEvents(Model, QEvent::MetaCall);
    delete loader_;
    const QString typed = Model->filter();
    Model->load([](const zt::PersonSink&) {});
    Model->setFilter(typed);
    startLoading();
}

bool ZTAdrF09::isLoading() const {
    return loading_;
}

void ZTAdrF09::loadingEnded() {
    loading_ = false;
    showCount();
    if (!loader_->error().isEmpty()) {
        zt::reportFatalError(this, loader_->error());
    }
    emit loaded();
}

void ZTAdrF09::showCount() {
    const bool loading = isLoading();
    Count->setText(QStringLiteral("%1 人中 %2 人を表示").arg(Model->totalCount()).arg(Model->rowCount()) +
                   (loading ? QStringLiteral("（読み込み中）") : QString()));
    legend_->setText(QStringLiteral("！ の人には、書き出すと報告ファイルに載る項目があります（%1 人）。")
                         .arg(Model->markedCount()));
}

void ZTAdrF09::showLosses() {
    const QModelIndex current = List->currentIndex();
    Losses->setPlainText(current.isValid() ? Model->data(current, PeopleModel::LossesRole).toString()
                                           : QString());
}

// The search field keeps the focus while the arrows and page keys move in the
// list, so that one can type, look and go on typing.
bool ZTAdrF09::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Search && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                QCoreApplication::sendEvent(List, event);
                return true;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

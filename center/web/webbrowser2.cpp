#include "center/web/webbrowser2.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPointer>
#include <QWebEngineSettings>

#include "center/web/commandpage.h"
#include "frame/log.h"
#include "text/codec.h"

namespace {

// WebEngine shares its GL contexts with the application's; that has to be said before the
// application object exists, which a program linking the browser may create at any time.
const bool kContextsShared = [] {
    if (!QCoreApplication::instance())
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

std::string Joined(const std::vector<std::string>& items) {
    std::string all;
    for (const auto& s : items)
        all += s;
    return all;
}

} // namespace

CWebBrowser2::CWebBrowser2(QWidget* parent) : QWebEngineView(parent), m_page(new CCommandPage(this)) {
    (void)kContextsShared;
    // The page draws through a texture widget the engine adds once the first page shows. A window
    // shown before that is made for plain drawing, and adding it makes Qt destroy and re-create the
    // window, which the window system then places anew (the dialog jumps to the screen's corner).
    // A texture widget from the start, never shown, gets the window made for it at its first show.
    // Only where OpenGL works: the engine then draws without one, and a window made for textures
    // that cannot have them is not drawn at all.
    static const bool openGlWorks = [] {
        QOpenGLContext probe;
        return probe.create();
    }();
    if (openGlWorks) {
        auto* textureSeed = new QOpenGLWidget(this);
        textureSeed->setObjectName(QStringLiteral("textureSeed"));
        textureSeed->hide();
    }
    setPage(m_page);
    connect(this, &QWebEngineView::loadFinished, this, &CWebBrowser2::DocumentComplete);
}

CWebBrowser2::~CWebBrowser2() = default;

void CWebBrowser2::Navigate2(const std::string& url) {
    load(QUrl(QString::fromLatin1(url)));
    setFocus();
}

void CWebBrowser2::AddPageCommand(const std::string& word, QObject* receiver, std::function<void()> handler) {
    m_page->AddCommand(word, receiver ? receiver : this, std::move(handler));
}

void CWebBrowser2::CallPageFunction(const std::string& name, QObject* context, PageValuesHandler done) {
    CallPageFunctions({name}, context, std::move(done));
}

void CWebBrowser2::CallPageFunctions(std::vector<std::string> names, QObject* context,
                                     PageValuesHandler done) {
    CallNext(std::move(names), 0, zmsg::PageValues{}, QPointer<QObject>(context), std::move(done));
}

void CWebBrowser2::CallNext(std::vector<std::string> names, size_t next, zmsg::PageValues sofar,
                            QPointer<QObject> context, PageValuesHandler done) {
    if (next == names.size() || !sofar.ok()) {
        if (sofar.status == zmsg::PageCallStatus::Unencodable)
            WriteLog(zmsg::K("페이지가 준 값에 문자메시지로 보낼 수 없는 글자가 있어 쓰지 않습니다: ") +
                         zmsg::Utf8ToCp949Lossy(Joined(sofar.badChars)) + " (" + names[next] + ")",
                     0);
        if (context)
            done(sofar);
        return;
    }
    const QString script = zmsg::PageFunctionScript(names[next]);
    QPointer<CWebBrowser2> self(this);
    m_page->runJavaScript(script, [self, names = std::move(names), next, sofar = std::move(sofar), context,
                                   done = std::move(done)](const QVariant& result) mutable {
        zmsg::ReadPageFunctionResult(result, &sofar);
        if (!self) {
            sofar.status = zmsg::PageCallStatus::NoPage;
            if (context)
                done(sofar);
            return;
        }
        const size_t after = sofar.ok() ? next + 1 : next;
        self->CallNext(std::move(names), after, std::move(sofar), context, std::move(done));
    });
}

void CWebBrowser2::HidePageScrollbars() {
    settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
}

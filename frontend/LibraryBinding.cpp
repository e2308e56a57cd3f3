#include "LibraryBinding.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quillane::frontend {

namespace {

constexpr const char *kBaseName = "quillane";
// The file name the build gives the library; QLibrary would otherwise try the
// bare name first, which next to the program is the program itself.
#if defined(Q_OS_WIN)
constexpr const char *kFileName = "quillane.dll";
#elif defined(Q_OS_MACOS)
constexpr const char *kFileName = "libquillane.dylib";
#else
constexpr const char *kFileName = "libquillane.so";
#endif
constexpr const char *kOverrideVariable = "QUILLANE_LIBRARY";

// Candidates in the order they are tried.  An explicit override is the only
// candidate: falling back to another copy would hide a wrong test set-up.
QStringList candidateFiles() {
    const QString override = qEnvironmentVariable(kOverrideVariable);
    if (!override.isEmpty()) return {override};
    QStringList files;
    const QString appDir = QCoreApplication::applicationDirPath();
    if (!appDir.isEmpty()) files << QDir(appDir).filePath(QString::fromLatin1(kFileName));
    files << QString::fromLatin1(kBaseName);
    return files;
}

}  // namespace

LibraryBinding::LibraryBinding() = default;

// The library stays mapped for the life of the process: plot windows and
// pending list-box callbacks may still reach it while the program shuts down.
LibraryBinding::~LibraryBinding() = default;

QStringList LibraryBinding::exportNames() {
    QStringList names;
#define QUILLANE_FRONTEND_NAME(name) names << QStringLiteral(#name);
    QUILLANE_FRONTEND_EXPORTS(QUILLANE_FRONTEND_NAME)
#undef QUILLANE_FRONTEND_NAME
    return names;
}

bool LibraryBinding::load() {
    if (loaded_) return true;
    error_.clear();
    missing_.clear();
    QStringList failures;
    for (const QString &file : candidateFiles()) {
        auto library = std::make_unique<QLibrary>(file);
        if (!library->load()) {
            failures << library->errorString();
            continue;
        }
        if (!bind(*library)) {
            error_ = QStringLiteral("The analysis library %1 lacks these operations:\n%2")
                         .arg(QDir::toNativeSeparators(library->fileName()),
                              missing_.join(QStringLiteral(", ")));
            library->unload();
            return false;
        }
        library_ = std::move(library);
        loaded_ = true;
        return true;
    }
    error_ = QStringLiteral("The analysis library \"%1\" could not be loaded:\n%2")
                 .arg(QString::fromLatin1(kBaseName), failures.join(QStringLiteral("\n")));
    return false;
}

QString LibraryBinding::fileName() const {
    return library_ ? library_->fileName() : QString();
}

bool LibraryBinding::bind(QLibrary &library) {
    Exports bound;
#define QUILLANE_FRONTEND_RESOLVE(name)                                          \
    bound.name = reinterpret_cast<decltype(bound.name)>(library.resolve(#name)); \
    if (bound.name == nullptr) missing_ << QStringLiteral(#name);
    QUILLANE_FRONTEND_EXPORTS(QUILLANE_FRONTEND_RESOLVE)
#undef QUILLANE_FRONTEND_RESOLVE
    if (!missing_.isEmpty()) return false;
    fn_ = bound;
    return true;
}

QByteArray LibraryBinding::fixedText(const QString &text, int width) {
    QByteArray bytes = QFile::encodeName(text);
    if (bytes.size() > width) bytes.truncate(width);
    if (bytes.size() < width) bytes.append(QByteArray(width - bytes.size(), ' '));
    return bytes;
}

int32_t LibraryBinding::textLength(const QString &text) {
    return static_cast<int32_t>(QFile::encodeName(text.trimmed()).size());
}

// ---- state and options ----

void LibraryBinding::initcommons(const int32_t &echo_flag) {
    fn_.initcommons(&echo_flag);
}

void LibraryBinding::init_namwr(const QString &name) {
    const QByteArray text = fixedText(name.trimmed(), 127);
    fn_.init_namwr(text.constData(), textLength(name));
}

void LibraryBinding::setplotfile(const QString &name) {
    const QByteArray text = QFile::encodeName(name);
    fn_.setplotfile(text.constData(), static_cast<int32_t>(text.size()));
}

void LibraryBinding::init_lbhandle(const int32_t &handle, const int32_t &visible_lines) {
    fn_.init_lbhandle(&handle, &visible_lines);
}

void LibraryBinding::setredir(const int32_t *table, const int32_t &count) {
    fn_.setredir(table, &count);
}

void LibraryBinding::setrchoice(const int32_t *choices, const int32_t &use_log) {
    fn_.setrchoice(choices, &use_log);
}

void LibraryBinding::set_xs_to_plot(const double *xs, const int32_t &count) {
    fn_.set_xs_to_plot(xs, &count);
}

void LibraryBinding::set_plotsave(const int32_t &delete_flag) {
    fn_.set_plotsave(&delete_flag);
}

void LibraryBinding::get_differ_parms(int32_t &span, int32_t &points, int32_t &terms) {
    fn_.get_differ_parms(&span, &points, &terms);
}

void LibraryBinding::set_differ_parms(const int32_t &span, const int32_t &terms) {
    fn_.set_differ_parms(&span, &terms);
}

// ---- scan files, selection, limits, times ----

void LibraryBinding::getdatar(const QString &name, const int32_t &n) {
    const QByteArray text = fixedText(name, 127);
    fn_.getdatar(text.constData(), 127, &n);
}

void LibraryBinding::TRANSFER_DATA() {
    fn_.TRANSFER_DATA();
}

void LibraryBinding::put_plotlist(const int32_t *list) {
    fn_.put_plotlist(list);
}

void LibraryBinding::setxirange(const double &low, const double &high) {
    fn_.setxirange(&low, &high);
}

void LibraryBinding::getxirange(double &low, double &high) {
    fn_.getxirange(&low, &high);
}

void LibraryBinding::set_lim_indices_vb(int32_t &ok) {
    fn_.set_lim_indices_vb(&ok);
}

void LibraryBinding::find_smallest_range() {
    fn_.find_smallest_range();
}

void LibraryBinding::set_x_var(const double &choice) {
    fn_.set_x_var(&choice);
}

void LibraryBinding::get_times(double *times) {
    fn_.get_times(times);
}

void LibraryBinding::set_times(const double *times) {
    fn_.set_times(times);
}

void LibraryBinding::renumber_fringes() {
    fn_.renumber_fringes();
}

// ---- fit, graphs, plots ----

void LibraryBinding::fit_allB(const int32_t &ref) {
    fn_.fit_allB(&ref);
}

void LibraryBinding::plot_result_graphs(const int32_t &kind, const int32_t &ref) {
    fn_.plot_result_graphs(&kind, &ref);
}

void LibraryBinding::GENERIC_PLOT(const int32_t &kind, const int32_t &set) {
    fn_.GENERIC_PLOT(&kind, &set);
}

void LibraryBinding::plt_c_x() {
    fn_.plt_c_x();
}

void LibraryBinding::tkrnd2(const float &lo, const float &hi, float &out_lo, float &out_hi,
                            int32_t &n_intervals) {
    fn_.tkrnd2(&lo, &hi, &out_lo, &out_hi, &n_intervals);
}

// ---- the log list box ----

void LibraryBinding::init_lbsink(const quillane_listbox_ops *ops) {
    fn_.init_lbsink(ops);
}

}  // namespace quillane::frontend

// The one door to the analysis library.
//
// The library is loaded by name at run time and every operation is bound by
// its export name; nothing else in the front end includes the library's
// header for its functions or calls into it.  The methods keep the library's
// calling convention (numbers and arrays by reference, results written
// through them) so that callers can hand over their own state variables, and
// they take care of the one awkward part: texts cross as 8-bit copies with a
// separate length.
//
// Where the library is looked for:
//   1. the full path in the environment variable QUILLANE_LIBRARY, if set
//      (used by the tests to put a stand-in library in its place);
//   2. next to the program (QCoreApplication::applicationDirPath());
//   3. the system's normal library search path.
#pragma once

#include <cstdint>
#include <memory>

#include <QByteArray>
#include <QLibrary>
#include <QString>
#include <QStringList>

#include "quillane.h"

namespace quillane::frontend {

// Every operation of quillane.h, in the header's order.
#define QUILLANE_FRONTEND_EXPORTS(X) \
    X(initcommons)                   \
    X(init_namwr)                    \
    X(setplotfile)                   \
    X(init_lbhandle)                 \
    X(setredir)                      \
    X(setrchoice)                    \
    X(set_xs_to_plot)                \
    X(set_plotsave)                  \
    X(get_differ_parms)              \
    X(set_differ_parms)              \
    X(getdatar)                      \
    X(TRANSFER_DATA)                 \
    X(put_plotlist)                  \
    X(setxirange)                    \
    X(getxirange)                    \
    X(set_lim_indices_vb)            \
    X(find_smallest_range)           \
    X(set_x_var)                     \
    X(get_times)                     \
    X(set_times)                     \
    X(renumber_fringes)              \
    X(fit_allB)                      \
    X(plot_result_graphs)            \
    X(GENERIC_PLOT)                  \
    X(plt_c_x)                       \
    X(tkrnd2)                        \
    X(init_lbsink)

class LibraryBinding {
  public:
    LibraryBinding();
    ~LibraryBinding();
    LibraryBinding(const LibraryBinding &) = delete;
    LibraryBinding &operator=(const LibraryBinding &) = delete;

    // Loads the library and binds every export.  On failure returns false and
    // leaves a message for the user in error(): the file that could not be
    // loaded, or the exports it lacks.  No operation may be called then.
    bool load();
    bool isLoaded() const { return loaded_; }
    QString error() const { return error_; }
    QString fileName() const;  // the file actually loaded
    QStringList missingExports() const { return missing_; }

    // The names of all operations the front end binds.
    static QStringList exportNames();

    // A text as the library receives it: the 8-bit form of the name as the
    // file system spells it, cut or blank padded to `width` bytes.
    static QByteArray fixedText(const QString &text, int width);
    // The number of bytes the library sees of a text without surrounding blanks.
    static int32_t textLength(const QString &text);

    // ---- state and options ----
    void initcommons(const int32_t &echo_flag);
    // The output file name as a 127-byte text with its trimmed length.
    void init_namwr(const QString &name);
    // The plot file name with its own length.
    void setplotfile(const QString &name);
    void init_lbhandle(const int32_t &handle, const int32_t &visible_lines);
    void setredir(const int32_t *table, const int32_t &count);
    void setrchoice(const int32_t *choices, const int32_t &use_log);
    void set_xs_to_plot(const double *xs, const int32_t &count);
    void set_plotsave(const int32_t &delete_flag);
    void get_differ_parms(int32_t &span, int32_t &points, int32_t &terms);
    void set_differ_parms(const int32_t &span, const int32_t &terms);

    // ---- scan files, selection, limits, times ----
    // Data set n read from `name`, passed as a 127-byte blank-padded text.
    void getdatar(const QString &name, const int32_t &n);
    void TRANSFER_DATA();
    void put_plotlist(const int32_t *list);
    void setxirange(const double &low, const double &high);
    void getxirange(double &low, double &high);
    void set_lim_indices_vb(int32_t &ok);
    void find_smallest_range();
    void set_x_var(const double &choice);
    void get_times(double *times);
    void set_times(const double *times);
    void renumber_fringes();

    // ---- fit, graphs, plots ----
    void fit_allB(const int32_t &ref);
    void plot_result_graphs(const int32_t &kind, const int32_t &ref);
    void GENERIC_PLOT(const int32_t &kind, const int32_t &set);
    void plt_c_x();
    void tkrnd2(const float &lo, const float &hi, float &out_lo, float &out_hi,
                int32_t &n_intervals);

    // ---- the log list box ----
    void init_lbsink(const quillane_listbox_ops *ops);

  private:
    bool bind(QLibrary &library);

    struct Exports {
#define QUILLANE_FRONTEND_DECLARE(name) decltype(&::name) name = nullptr;
        QUILLANE_FRONTEND_EXPORTS(QUILLANE_FRONTEND_DECLARE)
#undef QUILLANE_FRONTEND_DECLARE
    };

    std::unique_ptr<QLibrary> library_;
    Exports fn_;
    bool loaded_ = false;
    QString error_;
    QStringList missing_;
};

}  // namespace quillane::frontend

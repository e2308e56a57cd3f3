/*
 * quillane.h -- the analysis library of Quillane.
 *
 * Quillane compares a series of radial scans of one analytical-ultracentrifuge
 * cell with each other.  This library owns all data and all numerical work:
 * it reads scan files, keeps the choice of active data sets and data limits,
 * differentiates and matches the scans, writes the text report to the output
 * file and writes plot files for the front end's viewer.
 *
 * The interface is plain C so that callers in any language can bind to the
 * exports by name.  Conventions that hold for every export:
 *
 *   - Every argument is passed by reference (a pointer to an int32_t, a double
 *     or the first element of an array), except the length of a text, which
 *     follows the text pointer by value.  Texts are 8-bit characters, not
 *     NUL-terminated, and trailing blanks are not part of a value.
 *   - Arrays are numbered from 1 in this documentation.  Where a table holds
 *     a count, element 0 of the C array is the count ("list[0] = count").
 *     Where a table holds one entry per set, element 0 of the C array is the
 *     entry for set 1 ("table[0] is active set 1").
 *   - No export returns a value; results are written through the pointers.
 *   - The library keeps one process-wide state.  Exports that report open the
 *     output file, append their lines (CR LF line ends), post the same lines
 *     to the front end's log list box, and close the file before returning.
 *     The output file name "NUL" means: no output file.
 *   - Positions are in cm (radius r) or in cm^2 (xi = r^2/2), in the position
 *     variable chosen with set_x_var (xi by default).
 *   - Nothing is thrown across this interface: an internal failure is logged
 *     to the list box and the export returns normally.
 *   - Every export starts by clearing the last error; a failure it meets (a
 *     file that cannot be opened or written, a refused argument, an internal
 *     error) is logged and kept as the last error until the next export is
 *     called, so quillane_last_error right after a call tells whether that
 *     call failed and why.
 *
 * Start-up order: quillane_version (refuse a library of another major or
 * minor version), init_lbsink_ctx (or init_lbsink and init_lbhandle),
 * init_namwr, setplotfile, initcommons; then getdatar for data sets 1, 2, ...
 * in order.
 */
#ifndef QUILLANE_H
#define QUILLANE_H

#include <stdint.h>

#define QUILLANE_VERSION_MAJOR 0
#define QUILLANE_VERSION_MINOR 99
#define QUILLANE_VERSION_REVISION 39
#define QUILLANE_VERSION_STRING "0.99.0039"

#if defined(QUILLANE_BUILDING_LIBRARY)
#define QUILLANE_API __attribute__((visibility("default")))
#else
#define QUILLANE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- state and options ------------------------------------------------- */

/* Initialise the options, selection and counts.  echo_flag (in): non-zero
   makes getdatar echo header lines and dump the points of every file into the
   output file.  Resets: limits to 16.0..26.0 cm^2, xi mode, span 50, 3 terms,
   identity redirection table, data set count 0, derivative bookkeeping,
   plot files written and deleted after viewing, 95% confidence level.  The
   point stores, times and limit indices are not cleared.  Call init_namwr
   first: the plot subtitle is built from the output file name. */
QUILLANE_API void initcommons(const int32_t *echo_flag);

/* Set the output file name.  name (in): `length` characters (by value), not
   terminated; the name is taken whole, up to a NUL if it holds one, less
   trailing blanks.  A name is never cut: the report goes to the file named
   or, when that cannot be opened or written, nowhere (with a list-box line
   and the last error saying so). */
QUILLANE_API void init_namwr(const char *name, int32_t length);

/* Set the plot file name that plots are written to.  name (in): `length`
   characters (by value), taken whole like the output file name.  A plot file
   is only ever created as a new file; one whose writing fails part way is
   removed, and the list box and the last error say so.  Points that are not
   finite in single precision are left out of it, with a list-box line. */
QUILLANE_API void setplotfile(const char *name, int32_t length);

/* Remember the list box handle (passed back to the list-box operations) and
   the number of lines it shows at once (used to keep the newest line in
   view). */
QUILLANE_API void init_lbhandle(const int32_t *handle, const int32_t *visible_lines);

/* Set the redirection table of active sets.  table: 50 data set numbers,
   table[0] is active set 1 (all 50 are copied); count: number of active sets
   (0..50, clamped). */
QUILLANE_API void setredir(const int32_t *table, const int32_t *count);

/* Choose the fit kinds of the result graphs.  choices: 3 entries, non-zero =
   use fit kind 1 (no offsets), 2 (y-offset), 3 (y- and position offset);
   use_log: non-zero = plot natural logarithms. */
QUILLANE_API void setrchoice(const int32_t *choices, const int32_t *use_log);

/* Positions for the deviations-against-time graph.  xs: 10 positions in the
   current position unit (all 10 copied); count: how many are used (0..10,
   clamped). */
QUILLANE_API void set_xs_to_plot(const double *xs, const int32_t *count);

/* delete_flag (in): non-zero = plot files are marked for deletion after
   viewing; zero = they are kept.  Logs the new mode. */
QUILLANE_API void set_plotsave(const int32_t *delete_flag);

/* Read the differentiation parameters.  span (out): points per local fit;
   points (out): smallest number of active points of any active set (102400
   when there is no active set); terms (out): polynomial degree 1..3. */
QUILLANE_API void get_differ_parms(int32_t *span, int32_t *points, int32_t *terms);

/* Set the differentiation span (points) and degree (1..3).  Invalidates the
   slopes: the next fit differentiates again. */
QUILLANE_API void set_differ_parms(const int32_t *span, const int32_t *terms);

/* ---- scan files, selection, limits, times ------------------------------ */

/* Read one scan file as data set n (1..50), appending its points to the raw
   store behind sets 1..n-1; makes n the data set count and sets 1..n the
   active sets.  Logs the banner (n = 1) and five summary lines.  A file that
   cannot be opened gives a set of 0 points and a log line saying why.
   name (in): `length` characters (by value), taken whole.
   What is not taken as it stands is logged, one line per file and reason:
   a set whose positions do not rise is put in rising order (equal positions
   keep their file order); data lines whose value lies beyond 1e12 in
   magnitude, or that hold a number beyond the range of a double (or inf or
   nan), are rejected; a time beyond 1e30 in magnitude is not used (the set's
   time stays n). */
QUILLANE_API void getdatar(const char *name, int32_t length, const int32_t *n);

/* Rebuild the active point store from the redirection table, the limit
   indices and the position variable.  Logs the selection and the limits.
   Invalidates the slopes. */
QUILLANE_API void TRANSFER_DATA(void);

/* Store the list of active sets a plot shows: list[0] = count (0..50),
   list[1..count] = active set numbers. */
QUILLANE_API void put_plotlist(const int32_t *list);

/* Set the data limits (current position unit).  Indices are not recomputed:
   call set_lim_indices_vb and TRANSFER_DATA afterwards. */
QUILLANE_API void setxirange(const double *low, const double *high);

/* Read the data limits (current position unit). */
QUILLANE_API void getxirange(double *low, double *high);

/* Turn the data limits into per-set index ranges.  ok (out): 1 when every
   data set keeps more than span points inside the limits, else 0. */
QUILLANE_API void set_lim_indices_vb(int32_t *ok);

/* Index ranges for the full default range of the position variable
   (16..26 cm^2, or 5.6..7.4 cm); the limits themselves are kept. */
QUILLANE_API void find_smallest_range(void);

/* Position variable: radius when *choice is exactly 0.0, xi otherwise.
   Converts nothing; logs the change. */
QUILLANE_API void set_x_var(const double *choice);

/* times (out): 50 entries, times[0] is the time of active set 1. */
QUILLANE_API void get_times(double *times);

/* times (in): 50 entries, new times of the active sets in active-set order.
   Logs old and new values. */
QUILLANE_API void set_times(const double *times);

/* Remove whole-fringe jumps from the values of every data set read. */
QUILLANE_API void renumber_fringes(void);

/* ---- fit, graphs, plots ------------------------------------------------ */

/* Match every active set against every other one and write the report.
   ref (in): active set whose per-point deviations are kept for the graphs. */
QUILLANE_API void fit_allB(const int32_t *ref);

/* Write one result graph as a plot file.  kind (in): 1 RMS, 2 variance,
   3 deviations against position, 4 deviations against time, 5 position
   offsets; ref (in): reference active set. */
QUILLANE_API void plot_result_graphs(const int32_t *kind, const int32_t *ref);

/* Write a data plot as a plot file.  kind (in): 1 value against position,
   2 slope against position, 3 slope against value; set (in): active set, or
   a negative number for every set of the plot list. */
QUILLANE_API void GENERIC_PLOT(const int32_t *kind, const int32_t *set);

/* Write the value-against-position plot of the plot list. */
QUILLANE_API void plt_c_x(void);

/* Round the axis range lo..hi (hi > lo) outward to whole tick steps giving
   5 to 10 intervals.  out_lo, out_hi (out): the axis limits; n_intervals
   (out): the number of tick intervals.  Finite inputs always give finite
   limits: a range with hi <= lo, or one whose rounded limits would lie
   beyond the single-precision range, comes back unchanged with 1 interval. */
QUILLANE_API void tkrnd2(const float *lo, const float *hi, float *out_lo, float *out_hi,
                         int32_t *n_intervals);

/* ---- the log list box -------------------------------------------------- */

/* The front end's log view, as five operations.  The handle is the one given
   to init_lbhandle. */
typedef struct quillane_listbox_ops {
    void (*add_string)(int32_t handle, const char *line); /* append; line is NUL-terminated */
    int32_t (*get_count)(int32_t handle);                 /* lines held */
    void (*set_top_index)(int32_t handle, int32_t index); /* 0-based line shown first */
    void (*update)(int32_t handle);                       /* repaint now */
    int32_t (*dispatch_pending)(int32_t handle); /* handle one pending event of the box: 1 if one
                                                    was handled */
} quillane_listbox_ops;

/* Register the list-box operations.  The library copies the table; NULL (the
   default) discards list-box lines.  Every operation pointer must be set.
   Replaces a sink registered with init_lbsink_ctx. */
QUILLANE_API void init_lbsink(const quillane_listbox_ops *ops);

/* The log view as five operations that receive the caller's context pointer
   instead of a handle, so that a caller needs no global table to find its
   view again. */
typedef struct quillane_listbox_ctx_ops {
    void (*add_string)(void *ctx, const char *line); /* append; line is NUL-terminated */
    int32_t (*get_count)(void *ctx);                 /* lines held */
    void (*set_top_index)(void *ctx, int32_t index); /* 0-based line shown first */
    void (*update)(void *ctx);                       /* repaint now */
    int32_t (*dispatch_pending)(void *ctx); /* handle one pending event: 1 if one was handled */
} quillane_listbox_ctx_ops;

/* Register the list-box operations with a context pointer (in, may be NULL)
   that is handed back to every call.  The library copies the table and keeps
   the pointer; it must stay valid until another sink is registered.  NULL ops
   discards list-box lines; a table with an unset operation is refused (last
   error set, lines discarded).  Replaces a sink registered with init_lbsink.
   The visible line count still comes from init_lbhandle. */
QUILLANE_API void init_lbsink_ctx(const quillane_listbox_ctx_ops *ops, void *ctx);

/* ---- version and errors ------------------------------------------------ */

/* The library's version (out): major, minor, revision, the values of
   QUILLANE_VERSION_MAJOR, _MINOR and _REVISION it was built with.  A caller
   built against another major or minor version must not use the library. */
QUILLANE_API void quillane_version(int32_t *major, int32_t *minor, int32_t *revision);

/* The last failure of the most recent export call, as a short text such as
   "Cannot open scan file /data/00001.RA1: No such file or directory".
   text (out): `length` bytes (by value), the message cut or blank padded to
   them; text_length (out): the message's full length in bytes, 0 when the
   last call met no failure.  Does not clear the error. */
QUILLANE_API void quillane_last_error(char *text, int32_t length, int32_t *text_length);

#ifdef __cplusplus
}
#endif

#endif /* QUILLANE_H */

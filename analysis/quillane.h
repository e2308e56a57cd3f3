/* SPDX-License-Identifier: MIT */
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
 *
 * Threads and re-entry:
 *
 *   - The state is one per process and holds no lock.  Exports may be called
 *     from any thread, but never two at once: the caller serialises every
 *     call (the desktop program runs a long call on a worker thread and
 *     takes no other library call until it has returned).  The fit shares
 *     its work out over threads of its own; they never call back.
 *   - The list-box operations (init_lbsink, init_lbsink_ctx) are called on
 *     the thread of the export that posts the line, before that export
 *     returns: from a worker thread when the export was called there.  A
 *     sink used from a thread other than its view's must hand the lines on
 *     to that view's thread itself.
 *   - Inside a list-box operation (dispatch_pending included, whatever
 *     events it lets through) the library is in the middle of an export.  A
 *     callback may read the line and its own view and may call
 *     quillane_last_error, quillane_version, quillane_version_number and
 *     tkrnd2, which change nothing.  Any other export called from there is
 *     refused: it returns at once and changes nothing, neither the state
 *     nor the last error, nor anything behind its pointers; the call under
 *     way goes on as if it had not been made.
 *
 * Versions: QUILLANE_VERSION_NUMBER (major * 1000000 + minor * 10000 +
 * revision) orders versions as numbers; quillane_version_number reports the
 * library's own.  The revision grows with every release that keeps the
 * interface as it was (fixes, better answers through the same exports).  The
 * minor version grows when the interface grows: a new export, a new status
 * value, a new named constant; what was there keeps its name, arguments and
 * meaning.  The major version grows when anything that was there changes
 * meaning or goes away.  A program built against one major and minor
 * version refuses a library of another, since it cannot tell additions it
 * does not know from changes it would misread.
 */
#ifndef QUILLANE_H
#define QUILLANE_H

#include <stdint.h>

#define QUILLANE_VERSION_MAJOR 0
#define QUILLANE_VERSION_MINOR 99
#define QUILLANE_VERSION_REVISION 39
#define QUILLANE_VERSION_STRING "0.99.0039"
/* The version as one number, 990039 for 0.99.0039: minor below 100 and
   revision below 10000, so later versions give larger numbers. */
#define QUILLANE_VERSION_NUMBER \
    (QUILLANE_VERSION_MAJOR * 1000000 + QUILLANE_VERSION_MINOR * 10000 + QUILLANE_VERSION_REVISION)

/* ---- limits -------------------------------------------------------------

   The capacities of the library's state; arrays passed in or out that hold
   one entry per data set or active set have QUILLANE_MAX_DATA_SETS entries. */

/* The most data sets read (getdatar's n) and active sets chosen. */
#define QUILLANE_MAX_DATA_SETS 50
/* The most positions of the deviations-against-time graph (set_xs_to_plot). */
#define QUILLANE_MAX_PLOT_POSITIONS 10
/* The points the store holds, all data sets together. */
#define QUILLANE_MAX_POINTS 102400

#if defined(QUILLANE_BUILDING_LIBRARY)
#define QUILLANE_API __attribute__((visibility("default")))
#else
#define QUILLANE_API
#endif

/* ---- status values ----------------------------------------------------

   Exports that tell how they fared, or what a result is worth, do so through
   an int32_t argument (the "status" or "ok" of their doc block).  These are
   its values, named per export.  The numbers are part of the interface and
   never change meaning; new values may be added. */

/* set_lim_indices_vb's ok. */
typedef enum quillane_limits_status {
    QUILLANE_LIMITS_TOO_NARROW = 0, /* a data set keeps span points or fewer inside */
    QUILLANE_LIMITS_OK = 1          /* every data set keeps more than span points */
} quillane_limits_status;

/* quillane_verdict's status. */
typedef enum quillane_verdict_status {
    QUILLANE_VERDICT_NONE = -1,       /* no assessment, or it could not be made */
    QUILLANE_VERDICT_APPROACHING = 0, /* still approaching equilibrium */
    QUILLANE_VERDICT_REACHED = 1      /* equilibrium reached */
} quillane_verdict_status;

/* quillane_forecast's status. */
typedef enum quillane_forecast_status {
    QUILLANE_FORECAST_NONE = 0, /* no forecast; the reason says why */
    QUILLANE_FORECAST_MADE = 1
} quillane_forecast_status;

/* quillane_pair_result's status. */
typedef enum quillane_pair_status {
    QUILLANE_PAIR_NOT_COMPARED = 0,   /* everything else is 0 */
    QUILLANE_PAIR_COMPARED = 1,       /* with all three fit kinds */
    QUILLANE_PAIR_NO_POSITION_FIT = 2 /* kinds 1 and 2 only; kind 3 entries are 0 */
} quillane_pair_status;

/* quillane_scan_header's and quillane_data_set_header's status. */
typedef enum quillane_header_status {
    QUILLANE_HEADER_NO_FILE = -1,     /* the file cannot be opened, or the data set is not read */
    QUILLANE_HEADER_NO_TIME_LINE = 0, /* every fact is absent */
    QUILLANE_HEADER_TIME_LINE = 1
} quillane_header_status;

/* Each entry of the headers' known (see QUILLANE_HEADER_FACTS). */
typedef enum quillane_fact_status {
    QUILLANE_FACT_UNREADABLE = -1, /* there, but text or a number no instrument writes */
    QUILLANE_FACT_ABSENT = 0,      /* the line ends before it, or there is no time line */
    QUILLANE_FACT_KNOWN = 1        /* facts[i] holds it */
} quillane_fact_status;

/* plot_result_graphs's kind. */
typedef enum quillane_graph_kind {
    QUILLANE_GRAPH_RMS = 1,                    /* RMS deviations against time */
    QUILLANE_GRAPH_VARIANCE = 2,               /* variances against time */
    QUILLANE_GRAPH_DEVIATIONS_VS_POSITION = 3, /* deviations against position */
    QUILLANE_GRAPH_DEVIATIONS_VS_TIME = 4,     /* deviations at chosen positions against time */
    QUILLANE_GRAPH_OFFSETS = 5                 /* position offsets against time */
} quillane_graph_kind;

/* quillane_verdict_basis's decided_by and broken_by: the comparison the
   block was judged on, or the one its breaking scan failed. */
typedef enum quillane_comparison {
    QUILLANE_COMPARISON_NONE = 0,
    QUILLANE_COMPARISON_NO_OFFSETS = 1,   /* without offsets */
    QUILLANE_COMPARISON_BOTH_OFFSETS = 3, /* y- and position offset (drift) */
    QUILLANE_COMPARISON_SCALE_FACTOR = 4  /* y-offset and scale factor (lamp jitter) */
} quillane_comparison;

/* quillane_verdict_basis's break_reason: why the breaking scan is not in the
   block. */
typedef enum quillane_break_reason {
    QUILLANE_BREAK_NONE = 0,
    QUILLANE_BREAK_SHAPE_DIFFERS = 1,
    QUILLANE_BREAK_OFFSETS_TOO_LARGE = 2,
    QUILLANE_BREAK_NO_CLEAR_STEP = 3,
    QUILLANE_BREAK_LONE_STEP = 4, /* a step in one scan only */
    QUILLANE_BREAK_NOT_COMPARED = 5,
    QUILLANE_BREAK_NO_PLATEAU = 6,     /* too few scans before the step agree */
    QUILLANE_BREAK_STILL_SHRINKING = 7 /* the tail of an approach */
} quillane_break_reason;

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

/* Set the redirection table of active sets.  table: QUILLANE_MAX_DATA_SETS
   (50) data set numbers, table[0] is active set 1 (all are copied); count:
   number of active sets (0..50, clamped). */
QUILLANE_API void setredir(const int32_t *table, const int32_t *count);

/* Choose the fit kinds of the result graphs.  choices: 3 entries, non-zero =
   use fit kind 1 (no offsets), 2 (y-offset), 3 (y- and position offset);
   use_log: non-zero = plot natural logarithms. */
QUILLANE_API void setrchoice(const int32_t *choices, const int32_t *use_log);

/* Positions for the deviations-against-time graph.  xs:
   QUILLANE_MAX_PLOT_POSITIONS (10) positions in the current position unit
   (all copied); count: how many are used (0..10, clamped). */
QUILLANE_API void set_xs_to_plot(const double *xs, const int32_t *count);

/* delete_flag (in): non-zero = plot files are marked for deletion after
   viewing; zero = they are kept.  Logs the new mode. */
QUILLANE_API void set_plotsave(const int32_t *delete_flag);

/* Read the differentiation parameters.  span (out): points per local fit;
   points (out): smallest number of active points of any active set
   (QUILLANE_MAX_POINTS when there is no active set); terms (out): polynomial degree 1..3. */
QUILLANE_API void get_differ_parms(int32_t *span, int32_t *points, int32_t *terms);

/* Set the differentiation span (points) and degree (1..3).  Invalidates the
   slopes: the next fit differentiates again. */
QUILLANE_API void set_differ_parms(const int32_t *span, const int32_t *terms);

/* ---- scan files, selection, limits, times ------------------------------ */

/* Read one scan file as data set n (1..50), appending its points to the raw
   store behind sets 1..n-1; makes n the data set count and sets 1..n the
   active sets.  Logs the banner (n = 1) and five summary lines.  A file that
   cannot be opened gives a set of 0 points and a log line saying why; so
   does a file with a line longer than 65,536 characters, which is no scan
   (reading stops there; the last error says so).  Points that find the
   store full (QUILLANE_MAX_POINTS for all sets) are not read; the log says
   how many and quillane_data_set_points_not_read gives the count.
   name (in): `length` characters (by value), taken whole.
   What is not taken as it stands is logged, one line per file and reason:
   a set whose positions do not rise is put in rising order (equal positions
   keep their file order); data lines whose value lies beyond 1e12 in
   magnitude, or that hold a number beyond the range of a double (or inf or
   nan), are rejected; a time beyond 1e30 in magnitude is not used (the set's
   time stays n). */
QUILLANE_API void getdatar(const char *name, int32_t length, const int32_t *n);

/* Facts of data set n (in, 1..50) as it was read: points (out), the number
   of points read from its file; time (out), its time in s (the time line's
   value, or n when the file has none).  A data set that has not been read
   gives 0 points and time 0. */
QUILLANE_API void quillane_data_set_info(const int32_t *n, int32_t *points, double *time);

/* How many data points of data set n's file were not read because the
   point store, QUILLANE_MAX_POINTS points for all sets together, was full:
   the file's last `count` points (in file order) are missing from the set.
   n (in): data set 1..50; count (out): 0 when every point found room, and
   for a data set that has not been read; at most INT32_MAX. */
QUILLANE_API void quillane_data_set_points_not_read(const int32_t *n, int32_t *count);

/* Where data set n's points lie.  n (in): data set 1..50; low, high (out):
   the lowest and highest position of the points read from its file,
   within the data limits or not, in the position variable in use (cm^2 as
   xi = r^2/2, or cm).  Both 0 for a data set that has not been read or
   holds no point. */
QUILLANE_API void quillane_data_set_range(const int32_t *n, double *low, double *high);

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

/* Turn the data limits into per-set index ranges.  ok (out): QUILLANE_LIMITS_OK
   (1) when every data set keeps more than span points inside the limits,
   else QUILLANE_LIMITS_TOO_NARROW (0). */
QUILLANE_API void set_lim_indices_vb(int32_t *ok);

/* Index ranges for the full default range of the position variable
   (16..26 cm^2, or 5.6..7.4 cm); the limits themselves are kept. */
QUILLANE_API void find_smallest_range(void);

/* Position variable: radius when *choice is exactly 0.0, xi otherwise.
   Converts nothing; logs the change. */
QUILLANE_API void set_x_var(const double *choice);

/* times (out): 50 entries, times[0] is the time of active set 1. */
QUILLANE_API void get_times(double *times);

/* times (in): 50 entries, new times of the active sets in active-set order,
   s.  Logs old and new values.  A time of an active set that is NaN,
   infinite or beyond 1e30 in magnitude (what the reader refuses from a
   file) is refused: no time changes, and the last error names the set. */
QUILLANE_API void set_times(const double *times);

/* Remove whole-fringe jumps from the values of every data set read. */
QUILLANE_API void renumber_fringes(void);

/* ---- fit, graphs, plots ------------------------------------------------ */

/* Match every active set against every other one and write the report.
   ref (in): active set whose per-point deviations are kept for the graphs. */
QUILLANE_API void fit_allB(const int32_t *ref);

/* Write one result graph as a plot file.  kind (in): a quillane_graph_kind,
   1 RMS, 2 variance, 3 deviations against position, 4 deviations against
   time, 5 position offsets; ref (in): reference active set. */
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

/* The library's version as one number (out): the value of
   QUILLANE_VERSION_NUMBER it was built with. */
QUILLANE_API void quillane_version_number(int32_t *number);

/* The last failure of the most recent export call, as a short text such as
   "Cannot open scan file /data/00001.RA1: No such file or directory".
   text (out): `length` bytes (by value), the message cut or blank padded to
   them; text_length (out): the message's full length in bytes, 0 when the
   last call met no failure.  Does not clear the error. */
QUILLANE_API void quillane_last_error(char *text, int32_t length, int32_t *text_length);

/* ---- equilibrium assessment and results for other tools ---------------- */

/* Has the cell reached sedimentation equilibrium, and if not, when will it?
   quillane_assess answers from the last fit (fit_allB):

   - Noise of each scan, from that scan alone: the residual variance of the
     local polynomial windows the slopes are taken from (span and degree of
     set_differ_parms), pooled over the scan.  Its degrees of freedom are
     those of the scan cut into disjoint windows, points * (span - degree -
     1) / span, since overlapping windows share their points.
   - Verdict.  The scans are taken in the order of their times (set_times);
     the latest one is the reference.  An earlier scan is indistinguishable
     from it when their no-offset variance (RMS^2 of fit kind 1) is not
     significantly larger than the noise variance of a difference of the two
     scans (the sum of their noise variances), by the F test at the confidence
     level (95 %): reference points - 1 against the Satterthwaite degrees of
     freedom of that sum.  Equilibrium is reached by scan k when k and every
     later scan are indistinguishable from the latest, they are at least 3
     scans (the latest included), and the time from k to the latest scan is
     at least the minimum block time (default 4 h).  A scan that differs
     only by instrument drift (a baseline step or a small radial shift,
     see quillane_verdict_basis) counts as indistinguishable; the verdict
     then says "judged with both offsets".  With fewer than 3 scans that
     all agree there is no verdict ("cannot judge").  A block's first scan
     whose scale factor against the latest continues the shrink of the two
     scans before it (one sign, each smaller, itself beyond 2 standard
     errors and moving the profile by the noise) is still approaching.
   - Lamp jitter.  The lamp multiplies each scan's values by a factor of its
     own (real runs: 2.7-6.1 % at 280 nm), so scans of a settled cell may
     all differ from the latest without offsets.  When that fails, every
     earlier scan is also fitted with a y-offset and a scale factor against
     the latest (verdict only); where the factors turn back and forth beyond
     their errors, the block is the scans whose shapes agree that way, from
     the first at which neither the factors nor the offsets still show the
     approach: their exponential decay fitted over every scan has left less
     than the noise, they show no trend in time over the block, and the
     block's first third lies no further on the side of the approach than
     their scatter allows.  Such a block needs 5 scans and the minimum time;
     the verdict then says "judged with a y-offset and a scale factor" and
     the notes give the factors ("scans 5-11 differ from the latest by scale
     factors of -8.0 % ... +0.2 %"), and whether the latest scan is itself
     the outlier.
   - Forecast, assuming one dominant relaxation, c(r,t) - c_eq(r) ~
     a(r) e^(-t/tau).  The RMS distances of the earlier scans from the latest
     one (t_L) are fitted by nonlinear least squares with
     RMS_k^2 = B^2 (e^((t_L - t_k)/tau) - 1)^2 + noise variance of the pair,
     where B is the latest scan's remaining distance from equilibrium.  The
     remaining distance A e^(-t/tau), A = B e^(t_L/tau), falls below the
     threshold at t_eq = tau ln(A / threshold).  The threshold is the
     tolerance when one is set, else the smallest distance the verdict's F test
     tells from the noise, noise * sqrt(2 (F - 1)), so that t_eq forecasts
     when the verdict will be reached.  Drift found by the verdict adds to
     each pair's noise variance.  The interval at the confidence level is
     the profile likelihood of t_eq (F(1, pairs - 2)), widened by the
     noise estimate's error: asymmetric, never below the latest scan that
     still differs, one-sided ("not before") when no later t_eq is ruled
     out.  No forecast (with the
     reason) from fewer than 4 usable distances, when none rises above the
     noise, or when the fit is poor: tau's standard error above half of tau,
     or a residual scatter above a tenth of the distances' range.
   - Nor is a range that cannot be a solution column: when the scans' noise
     in the data limits is over 5 times the median replicate SD the files
     give there, or when the limits hold a spike (a meniscus, a base, a
     window's edge) or an edge of noise (a window region), as
     quillane_find_columns judges them, the verdict's status is
     QUILLANE_VERDICT_NONE (-1), its text "not judged: the range 5.700 ..
     7.200 cm holds a spike at 5.950 cm (a meniscus, a base or a window's
     edge)" (or "... is no solution column: its noise (0.26) is 104 times
     the files' replicate SD (0.0025)"), and there is no forecast (its
     reason the same from "the range" on).
   - A sedimentation velocity run is not judged: when a boundary moves
     outward through the scans (within the data limits: in at least 4
     consecutive scans a rise followed by a plateau, on one path, ln r linear
     in time, covering at least 0.05 cm), the verdict's status is
     QUILLANE_VERDICT_NONE (-1) and its text "a sedimentation velocity run:
     equilibrium is not judged (the boundary moves from R1 to R2 cm in T
     h)"; there is no forecast, its reason the same sentence without the
     evidence.

   Times are in s, noise, distances and tolerance in the unit of the scans'
   values (absorbance or fringes).  Scans are numbered as active sets (1..n),
   as in the report.  initcommons resets the settings to their defaults and
   forgets the last assessment. */

/* The minimum time (in, s, >= 0; default 14400 = 4 h) that the block of
   indistinguishable scans must span, from its first scan to the latest, for
   the verdict "equilibrium reached".  A negative or non-finite value is
   refused (last error set, list-box line) and the setting kept. */
QUILLANE_API void quillane_set_equilibrium_time(const double *seconds);

/* The forecast's threshold (in, unit of the values, >= 0; default 0): the
   remaining distance from equilibrium that counts as reached.  0 = the
   smallest distance the F test tells from the noise.  A negative or
   non-finite value is refused (last error set, list-box line) and the
   setting kept. */
QUILLANE_API void quillane_set_equilibrium_tolerance(const double *tolerance);

/* How F critical values are found.  exact (in): non-zero = the exact upper
   quantile of the F distribution; 0 (the default) = the closed-form
   approximation (2.5 % high at 4 and 4 degrees of freedom, 1.6 % at 5 and 5,
   under 0.5 % from 10 and 10 on, far too high with fewer than 4).  The
   choice applies everywhere: the report's F lines of the next fit_allB use
   it, and so do the verdict and quillane_pair_result.  A change is logged
   (one line to the output file and the list box). */
QUILLANE_API void quillane_set_exact_f(const int32_t *exact);

/* The settings (out): seconds, the minimum block time in s; tolerance (0 =
   from the noise); exact, 1 for the exact F quantile, 0 for the
   approximation; confidence, the confidence level in percent (95). */
QUILLANE_API void quillane_get_equilibrium_settings(double *seconds, double *tolerance,
                                                    int32_t *exact, double *confidence);

/* Assess the last fit: noise per active set, each scan against the latest,
   the verdict and the forecast, kept for the read-out exports below until the
   next call (or initcommons).  write_report (in): non-zero appends the
   assessment lines to the output file (every line: the noise of each scan,
   each comparison, the verdict, the forecast) and a summary to the list box
   (heading, the noise of all scans, the verdict and the forecast); these
   lines follow whatever the output file held, normally the fit's averages.
   0 = compute only.  Needs a fit of the current active sets (fit_allB after
   the last TRANSFER_DATA or set_differ_parms) and at least two active sets;
   otherwise it keeps nothing and says why (last error, list-box line, and
   the output file when writing). */
QUILLANE_API void quillane_assess(const int32_t *write_report);

/* Noise of one scan from the last assessment.  set (in): active set 1..n, or
   0 for all active sets pooled; noise (out): the noise standard deviation in
   the unit of the values; dof (out): its degrees of freedom, 0 when the noise
   is not known (no assessment, a set shorter than the span, a set number out
   of range). */
QUILLANE_API void quillane_noise(const int32_t *set, double *noise, int32_t *dof);

/* The verdict of the last assessment.  status (out): QUILLANE_VERDICT_REACHED
   (1) equilibrium reached, QUILLANE_VERDICT_APPROACHING (0) still
   approaching, QUILLANE_VERDICT_NONE (-1) no verdict (no assessment, or it
   could not be made); scan (out): the active set from which on every scan is
   indistinguishable from the latest, 0 when there is none; time_s (out): its
   time in s; block_s (out): the time from it to the latest scan, s; text
   (out): `length` bytes (by value), the verdict in words, such as
   "equilibrium reached by scan 10 (t = 20.000 h)" or "still approaching:
   ...", or why there is none, cut or blank padded; text_length (out): the
   text's full length. */
QUILLANE_API void quillane_verdict(int32_t *status, int32_t *scan, double *time_s, double *block_s,
                                   char *text, int32_t length, int32_t *text_length);

/* The forecast of the last assessment.  status (out): QUILLANE_FORECAST_MADE
   (1) made, QUILLANE_FORECAST_NONE (0) none (the reason says why); pairs (out): distances to the
   latest scan fitted (or usable); tau_s, tau_error_s (out): the time constant and its standard
   error, s; amplitude (out): the remaining distance at t = 0, unit of the
   values (0 when it would overflow); threshold (out): the distance below
   which equilibrium counts as reached; equilibrium_time_s (out): t_eq, s;
   interval_s (out): 2 doubles, the interval's ends, s (the profile likelihood
   of t_eq, asymmetric; never below the latest scan that is still further
   from the latest one than the threshold;
   element 1 is 0 when the data bound t_eq from below only, see
   quillane_forecast_bounds); reason (out): `length`
   bytes (by value), why there is no forecast (empty when there is one), cut
   or blank padded; reason_length (out): its full length.  The numbers are 0
   when there is no forecast. */
QUILLANE_API void quillane_forecast(int32_t *status, int32_t *pairs, double *tau_s,
                                    double *tau_error_s, double *amplitude, double *threshold,
                                    double *equilibrium_time_s, double *interval_s, char *reason,
                                    int32_t length, int32_t *reason_length);

/* What the verdict of the last assessment rests on.  A scan that differs
   from the latest one without offsets may still be in the block of matching
   scans as instrument drift: with both offsets fitted (y and position) its
   shape agrees by the same F test, its offsets stay within 0.05 (unit of the
   values) and 0.03 cm, and it differs from the next later scan (a step).
   When the drift starts the block, the scans sharing the step must be a
   plateau: at least 3 that agree with each other without offsets over the
   minimum time; a step inside the block must be clear (its no-offset excess
   at least 3 times the smallest the F test detects).  The block needs at
   least 3 scans, the latest included, as well as the minimum time.
   decided_by (out, a quillane_comparison): 1 the block agrees without offsets, 3 it holds drift
   (judged with both offsets), 4 it holds lamp jitter (judged with a y-offset and a scale
   factor, see below), 0 no block; block_scans (out): scans in the block, the latest included;
   too_few (out): 1 when every scan agrees but there are fewer than 3 (the verdict status is
   then -1, "cannot judge"); breaking_scan (out): the active set of the latest scan that still
   differs, 0 none; broken_by (out, a quillane_comparison): the comparison it failed, 1 no
   offsets (its shape agrees but no instrument step stands out, or it could not be compared), 3
   both offsets (its shape differs, its offsets exceed the drift bounds, or its step is seen in
   too few scans), 4 a y-offset and a scale factor (its factor or offset continues the shrink of
   the scans before it: the tail of an approach), 0 none; break_reason (out, a
   quillane_break_reason): 0 none, 1 shape differs, 2 offsets too large, 3 no clear step, 4 a
   step in one scan only, 5 not compared, 6 too few scans before the step agree with each other
   (no plateau), 7 still shrinking (the tail of an approach); no_offset_rms (out): the no-offset
   RMS of the block's first scan against the latest, unit of the values;
   notes (out): `length` bytes (by value), the break and the drift in words,
   one sentence a line (LF between), such as "scans 9-11 differ from the
   latest by a baseline shift of 0.012 and a radial shift of 0.015 cm; their
   shapes agree", cut or blank padded; notes_length (out): their full
   length.  Everything is 0 (notes empty) without an assessment. */
QUILLANE_API void quillane_verdict_basis(int32_t *decided_by, int32_t *block_scans,
                                         int32_t *too_few, int32_t *breaking_scan,
                                         int32_t *broken_by, int32_t *break_reason,
                                         double *no_offset_rms, char *notes, int32_t length,
                                         int32_t *notes_length);

/* One drift group of the last verdict: scans of the block that agree with
   each other without offsets and with the latest once its offsets are
   fitted.  group (in): 1..groups, the latest group first; groups (out):
   how many there are (0 none); first_scan, last_scan (out): its first and
   last active set in time; baseline (out): its mean y-offset against the
   latest scan, unit of the values; radial_cm (out): its mean position
   offset against the latest scan as a radius, cm.  All 0 for a group out of
   range. */
QUILLANE_API void quillane_drift(const int32_t *group, int32_t *groups, int32_t *first_scan,
                                 int32_t *last_scan, double *baseline, double *radial_cm);

/* The ends of the forecast interval of the last assessment, also when the
   data bound t_eq from one side only.  one_sided (out): 1 when no later t_eq
   is ruled out ("not before lower_s"; upper_s is then 0), also when tau is
   not determined (quillane_forecast then reports no forecast, its reason
   naming the bound); lower_s, upper_s (out): the interval's ends, s, never
   below floor_s; floor_s (out): the time of the latest scan that is still
   further from the latest one than the threshold, beyond chance and beyond
   instrument drift (its variance without offsets, less the drift, and with
   both offsets fitted each above F times the noise plus the threshold's
   square), s (0 none); jitter (out): the RMS of the
   drift between the scans taken into the forecast's error model, unit of
   the values.  All 0 without an assessment or without a fit of the
   distances. */
QUILLANE_API void quillane_forecast_bounds(int32_t *one_sided, double *lower_s, double *upper_s,
                                           double *floor_s, double *jitter);

/* One ordered pair of the last fit: ref (in), the reference active set, and
   cmp (in), the compared one, both 1..n.  status (out):
   QUILLANE_PAIR_COMPARED (1) compared (all three fit kinds),
   QUILLANE_PAIR_NO_POSITION_FIT (2) compared without the position fit (every
   slope of the reference set equal: kind 3 entries are 0),
   QUILLANE_PAIR_NOT_COMPARED (0) not compared (no current
   fit, ref = cmp, a reference set of fewer than 4 points, or a number out of
   range: everything else is then 0); points (out): of the reference set;
   variance, rms, y_offset (out): 3 doubles each, fit kinds 1..3 in
   elements 0..2: the sum of squared deviations (the report's VAR; for the
   rows of fit_allB's reference set formed again from the single-precision
   deviations kept for the graphs, as in the averages), the RMS deviation and
   the y-offset (kind 1: 0), in the unit of the values; x_offset (out): the
   position offset of kind 3, cm^2 in xi mode, cm in r mode; f_critical
   (out): F(points - 1, points - 1) at the confidence level, by the method
   set now. */
QUILLANE_API void quillane_pair_result(const int32_t *ref, const int32_t *cmp, int32_t *status,
                                       int32_t *points, double *variance, double *rms,
                                       double *y_offset, double *x_offset, double *f_critical);

/* The facts of one active set: set (in), 1..n; data_set (out): its data set
   number (the order the files were read in), 0 when set is out of range;
   time_s (out): its time, s; points (out): its points inside the data
   limits. */
QUILLANE_API void quillane_active_set(const int32_t *set, int32_t *data_set, double *time_s,
                                      int32_t *points);

/* Write the equilibrium graph of the last assessment (quillane_assess) as a
   plot file, like the result graphs: symbols (series 1) at the RMS distance
   of every earlier scan from the latest one against its time (s); and as
   lines, when a forecast was made, the fitted curve, the noise level of a
   difference of two scans, the threshold the forecast aims at and a vertical
   line at the forecast time.  Logs one line.  Without an assessment nothing
   is written (last error set, list-box line). */
QUILLANE_API void quillane_plot_equilibrium(void);

/* ---- scan headers and solution columns --------------------------------- */

/* The time line of a scan file ("R 2 20.0 10000 0003501 3.3160E09 280 32")
   holds, after its letter, six facts that tell which scans belong together.
   They are handed over as two arrays of QUILLANE_HEADER_FACTS entries, in
   the line's order: element 0 the cell number, 1 the temperature (degrees
   C), 2 the rotor speed (rpm), 3 the time (s), 4 omega^2 t (rad^2/s), 5 the
   wavelength (nm).  known[i] says what facts[i] is worth: QUILLANE_FACT_KNOWN
   (1) read (facts[i] holds it), QUILLANE_FACT_ABSENT (0) absent (the line
   ends before it, or the file has no time line), QUILLANE_FACT_UNREADABLE
   (-1) unreadable (text, or a number no instrument writes: a cell
   that is not a whole number 1..999, a temperature below absolute zero or
   above 1000, a speed or wavelength of 0 or less, a negative omega^2 t, a
   time beyond 1e30 in magnitude).  facts[i] is 0 unless known[i] is 1.
   Nothing is guessed; the time line is found by getdatar's rules. */
#define QUILLANE_HEADER_FACTS 6

/* The facts of one scan file's time line, without reading its points:
   nothing is stored and no data set changes, so it serves for any number of
   files.  name (in): `length` characters (by value), taken whole like
   getdatar's.  status (out): QUILLANE_HEADER_TIME_LINE (1) the file has a
   time line, QUILLANE_HEADER_NO_TIME_LINE (0) it has none (all facts
   absent), QUILLANE_HEADER_NO_FILE (-1) it cannot be opened or is no scan
   file (a line longer than 65,536 characters before the time line; all
   absent; the last error says why, and a list-box line).  known, facts
   (out): QUILLANE_HEADER_FACTS
   entries each, as described above. */
QUILLANE_API void quillane_scan_header(const char *name, int32_t length, int32_t *status,
                                       int32_t *known, double *facts);

/* Whether a line of a scan file is a data line as getdatar reads it: 1 when
   it begins with at least two numbers in free format (blanks, tabs or a
   comma between them; E or D exponents, as in 5.9500D+00), else 0.  A line
   whose point getdatar later rejects (a negative deviation, a position out
   of bounds) is still a data line.  line (in): `length` characters (by
   value), without its line end.  Touches no state of the library, so it
   may be called from any thread at any time (a watch counts a growing
   scan's points with it while no file is read). */
QUILLANE_API int32_t quillane_is_data_line(const char *line, int32_t length);

/* The same facts of data set n (in, 1..50) as getdatar read them.  status
   (out): QUILLANE_HEADER_TIME_LINE (1) time line, QUILLANE_HEADER_NO_TIME_LINE
   (0) none, QUILLANE_HEADER_NO_FILE (-1) the data set has not been read (all
   facts absent). */
QUILLANE_API void quillane_data_set_header(const int32_t *n, int32_t *status, int32_t *known,
                                           double *facts);

/* The most solution columns quillane_find_columns reports. */
#define QUILLANE_MAX_COLUMNS 10

/* Find the solution columns of data sets read, taken together (normally
   every scan of one series): the stretches right after a sample meniscus
   (a positive spike with the reference meniscus, a spike below zero, at
   most 0.08 cm before it, or with air just before it: a stretch reading
   0.05 OD or less, or the scan's first smooth stretch) up to the next edge
   (the base: a spike, a steep fall, or a stretch of another noise), or to
   the end of the data.  A dip right after the sample meniscus's spike
   (within 0.02 cm, at most 0.35 of its height) belongs to the meniscus,
   and the limits start after it.  The scans are pooled along the radius
   and judged by medians over all of them: one scan's spikes do not count,
   features at the same radius in every scan do.  Edges of noise are where
   the point-to-point roughness (each point's distance from the line through
   its two neighbours) changes by 2 times or more between whole stretches,
   or the replicate SD of the files' third column jumps by that much where
   two stretches meet; in absorbance scans a change the level explains
   (noise grows with the absorbance as up to 10^(A/2)) is no edge.  A
   stretch with no meniscus before it (a shelf between channels, air, the
   reference solvent, the data's first stretch) is never a column, nor is a
   stretch of one value (a detector's limit), one rougher than the stretch
   beside it, one whose replicate SD does not drop 2 times at one of its
   ends (light through windows), one not clearly above zero even towards its
   base, or one shorter than 0.05 cm.  Scans that
   lie a little apart along the radius (rotor stretch, a drift of the radial
   calibration) are pooled where most scans lie, each moved by where its
   spikes and steps match theirs best (shifts of 0.005 to 0.03 cm), and
   meniscus and base move in by the largest shifts, so that limits inside
   them clear every scan.  Meant for absorbance scans; interference scans
   with whole-fringe jumps need renumber_fringes first.  Reads only; logs nothing.
   sets (in): sets[0] = count (1..50), sets[1..count] data set numbers
   (1..data set count).  margin_cm (in, cm, >= 0; 0.02 is usual): how far
   the suggested limits lie inside meniscus and base.  count (out): columns
   found, 0..QUILLANE_MAX_COLUMNS, in rising radius.  meniscus_cm, base_cm
   (out): QUILLANE_MAX_COLUMNS entries, element k-1 for column k, in cm (the
   spike's centre, or where the smooth profile begins; where the steep rise
   begins).  low, high (out): QUILLANE_MAX_COLUMNS entries, the suggested
   data limits meniscus + margin and base - margin in the position variable
   in use (cm, or cm^2 as xi = r^2/2), rounded inward to 0.001; a column
   that leaves nothing between them is left out.  Unused entries are 0.  A
   set list or margin that cannot be used is refused: count 0, the last
   error and a list-box line say why. */
QUILLANE_API void quillane_find_columns(const int32_t *sets, const double *margin_cm,
                                        int32_t *count, double *meniscus_cm, double *base_cm,
                                        double *low, double *high);

/* The most stretches quillane_column_stretches reports, and the room for
   each reason (with its closing NUL). */
#define QUILLANE_MAX_STRETCHES 64
#define QUILLANE_STRETCH_REASON_LENGTH 200

/* What quillane_find_columns looks at, stretch by stretch, and why it takes
   or leaves each one: for checking its answer by eye.  sets (in): as for
   quillane_find_columns.  count (out): stretches, 0..QUILLANE_MAX_STRETCHES,
   in rising radius (every stretch of 0.02 cm or more between spikes and
   edges of noise, and every column).  from_cm, to_cm, level, deviation, sd
   (out): QUILLANE_MAX_STRETCHES entries each: the stretch's ends (cm), its
   median signal, its point noise (standard deviation) and its median
   replicate SD (-1 where the files have no third column).  taken (out):
   QUILLANE_MAX_STRETCHES entries, 1 for a column, else 0.  reasons (out):
   QUILLANE_MAX_STRETCHES * QUILLANE_STRETCH_REASON_LENGTH characters, entry
   k-1 at k-1 times that length: why stretch k is no column, NUL-terminated
   (for a column: the rules that made it one, such as "a meniscus pair
   0.054 cm apart; its dip belongs to the meniscus", and how far its scans
   lie apart along the radius where that moved its meniscus and base in),
   cut to the room there is.  Unused entries are 0 and
   empty.  A set list that cannot be used is refused as by
   quillane_find_columns.  Reads only. */
QUILLANE_API void quillane_column_stretches(const int32_t *sets, int32_t *count, double *from_cm,
                                            double *to_cm, double *level, double *deviation,
                                            double *sd, int32_t *taken, char *reasons);

/* ---- the same exports under the prefix -----------------------------------

   Each export above whose name lacks the quillane_ prefix is exported a
   second time as quillane_ followed by its name in lower case: the same
   function (one address), the same arguments, the same behaviour.  The
   names above stay exported and documented: files and callers rely on them.

     quillane_initcommons          initcommons
     quillane_init_namwr           init_namwr
     quillane_setplotfile          setplotfile
     quillane_init_lbhandle        init_lbhandle
     quillane_setredir             setredir
     quillane_setrchoice           setrchoice
     quillane_set_xs_to_plot       set_xs_to_plot
     quillane_set_plotsave         set_plotsave
     quillane_get_differ_parms     get_differ_parms
     quillane_set_differ_parms     set_differ_parms
     quillane_getdatar             getdatar
     quillane_transfer_data        TRANSFER_DATA
     quillane_put_plotlist         put_plotlist
     quillane_setxirange           setxirange
     quillane_getxirange           getxirange
     quillane_set_lim_indices_vb   set_lim_indices_vb
     quillane_find_smallest_range  find_smallest_range
     quillane_set_x_var            set_x_var
     quillane_get_times            get_times
     quillane_set_times            set_times
     quillane_renumber_fringes     renumber_fringes
     quillane_fit_allb             fit_allB
     quillane_plot_result_graphs   plot_result_graphs
     quillane_generic_plot         GENERIC_PLOT
     quillane_plt_c_x              plt_c_x
     quillane_tkrnd2               tkrnd2
     quillane_init_lbsink          init_lbsink
     quillane_init_lbsink_ctx      init_lbsink_ctx
*/
QUILLANE_API void quillane_initcommons(const int32_t *echo_flag);
QUILLANE_API void quillane_init_namwr(const char *name, int32_t length);
QUILLANE_API void quillane_setplotfile(const char *name, int32_t length);
QUILLANE_API void quillane_init_lbhandle(const int32_t *handle, const int32_t *visible_lines);
QUILLANE_API void quillane_setredir(const int32_t *table, const int32_t *count);
QUILLANE_API void quillane_setrchoice(const int32_t *choices, const int32_t *use_log);
QUILLANE_API void quillane_set_xs_to_plot(const double *xs, const int32_t *count);
QUILLANE_API void quillane_set_plotsave(const int32_t *delete_flag);
QUILLANE_API void quillane_get_differ_parms(int32_t *span, int32_t *points, int32_t *terms);
QUILLANE_API void quillane_set_differ_parms(const int32_t *span, const int32_t *terms);
QUILLANE_API void quillane_getdatar(const char *name, int32_t length, const int32_t *n);
QUILLANE_API void quillane_transfer_data(void);
QUILLANE_API void quillane_put_plotlist(const int32_t *list);
QUILLANE_API void quillane_setxirange(const double *low, const double *high);
QUILLANE_API void quillane_getxirange(double *low, double *high);
QUILLANE_API void quillane_set_lim_indices_vb(int32_t *ok);
QUILLANE_API void quillane_find_smallest_range(void);
QUILLANE_API void quillane_set_x_var(const double *choice);
QUILLANE_API void quillane_get_times(double *times);
QUILLANE_API void quillane_set_times(const double *times);
QUILLANE_API void quillane_renumber_fringes(void);
QUILLANE_API void quillane_fit_allb(const int32_t *ref);
QUILLANE_API void quillane_plot_result_graphs(const int32_t *kind, const int32_t *ref);
QUILLANE_API void quillane_generic_plot(const int32_t *kind, const int32_t *set);
QUILLANE_API void quillane_plt_c_x(void);
QUILLANE_API void quillane_tkrnd2(const float *lo, const float *hi, float *out_lo, float *out_hi,
                                  int32_t *n_intervals);
QUILLANE_API void quillane_init_lbsink(const quillane_listbox_ops *ops);
QUILLANE_API void quillane_init_lbsink_ctx(const quillane_listbox_ctx_ops *ops, void *ctx);

#ifdef __cplusplus
}
#endif

#endif /* QUILLANE_H */

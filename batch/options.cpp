// SPDX-License-Identifier: MIT
#include "options.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "folder_watch.h"
#include "library_files.h"

namespace batch {
namespace {

// ---- values ----
// Each check takes the option's text and returns what is wrong with it as
// the rest of a sentence that starts with the option's name ("--span" +
// " must be 3 to 2048 points"), or nothing when it is right.  Whole numbers
// are rewritten in plain decimal, so that the conversion after the check
// cannot read "010" as octal.

// Numbers are written in decimal, as the help shows them: a sign, digits, a
// decimal point and an exponent are all they may hold.  The C conversions
// alone would also take "0x10" as 16, "inf", "nan" and leading blanks.
bool decimal_only(const std::string &text, bool real) {
    return !text.empty() &&
           text.find_first_not_of(real ? "0123456789+-.eE" : "0123456789+-") == std::string::npos;
}

bool to_int(const std::string &text, long &out) {
    if (!decimal_only(text, false)) return false;
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || v < -1000000 || v > 1000000)
        return false;
    out = v;
    return true;
}

bool to_real(const std::string &text, double &out) {
    if (!decimal_only(text, true)) return false;
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
    out = v;
    return true;
}

// A whole number; outside [lo, hi] the range phrase is the answer.
CLI::Validator whole(long lo, long hi, const std::string &not_whole, const std::string &range) {
    return CLI::Validator(
        [=](std::string &text) -> std::string {
            long v = 0;
            if (!to_int(text, v)) return not_whole;
            if (v < lo || v > hi) return range;
            text = std::to_string(v);
            return {};
        },
        "");
}

CLI::Validator real(std::function<bool(double)> in_range, const std::string &phrase) {
    return CLI::Validator(
        [=](std::string &text) -> std::string {
            double v = 0.0;
            return to_real(text, v) && in_range(v) ? std::string() : phrase;
        },
        "");
}

CLI::Validator nonempty() {
    return CLI::Validator(
        [](std::string &text) { return text.empty() ? std::string("needs a value") : ""; }, "");
}

// "1,3,5": every entry a number (an empty entry, as in "1,2,", is a mistake).
bool to_int_list(const std::string &text, std::vector<int> &out) {
    if (text.empty() || text.back() == ',') return false;
    std::stringstream ss(text);
    std::string item;
    std::vector<int> list;
    while (std::getline(ss, item, ',')) {
        long v = 0;
        if (!to_int(item, v)) return false;
        list.push_back(static_cast<int>(v));
    }
    out.insert(out.end(), list.begin(), list.end());
    return !list.empty();
}

// "WxH" (or "WXH") with both sides in the accepted range.
bool to_size(const std::string &text, std::pair<int, int> &out) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    long w = 0, h = 0;
    if (!to_int(text.substr(0, x), w) || !to_int(text.substr(x + 1), h)) return false;
    if (w < kMinImageSide || w > kMaxImageSide || h < kMinImageSide || h > kMaxImageSide)
        return false;
    out = {static_cast<int>(w), static_cast<int>(h)};
    return true;
}

std::string lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// ---- what goes with what ----
// Pairs of options that cannot be given together, and options that need
// another; CLI11 enforces them and the sentence here is what the user reads.
struct Rule {
    const char *option;
    const char *other;
    const char *sentence;
};

constexpr const char *kWatchAlone =
    "--active, --ref, --images, --every and --columns cannot be used with --watch";
constexpr const char *kOneSeries =
    "--columns lists the columns of one series: give --series K, not --each-series or --column";
constexpr const char *kSetsOfOneSeries =
    "--active and --ref name sets of one series: give them with --series K, not --each-series";

constexpr const char *kReportOfAnAnalysis =
    "--report-pdf reports an analysis: it cannot be used with --watch, --columns or --series "
    "list";

constexpr Rule kExclusions[] = {
    {"FILE", "--watch", "--watch reads the scans of its folder: give no scan files with it"},
    {"--watch", "--active", kWatchAlone},
    {"--watch", "--ref", kWatchAlone},
    {"--watch", "--images", kWatchAlone},
    {"--watch", "--every", kWatchAlone},
    {"--watch", "--columns", kWatchAlone},
    {"--series", "--each-series", "--series and --each-series cannot be used together"},
    {"--columns", "--each-series", kOneSeries},
    {"--columns", "--column", kOneSeries},
    {"--column", "--limits", "--column and --limits both set the data limits: give one of them"},
    {"--each-series", "--active", kSetsOfOneSeries},
    {"--each-series", "--ref", kSetsOfOneSeries},
    {"--every", "--active",
     "--active numbers the files as given, but --every thins them first: give one of them"},
    {"--report-pdf", "--watch", kReportOfAnAnalysis},
    {"--report-pdf", "--columns", kReportOfAnAnalysis},
};

constexpr Rule kNeeds[] = {
    {"--until-equilibrium", "--watch", "--until-equilibrium needs --watch"},
    {"--image-size", "--images", "--image-size needs --images"},
    {"--verbose", "--columns", "--verbose needs --columns"},
    {"--page-size", "--report-pdf", "--page-size needs --report-pdf"},
};

constexpr const char *kNoImages =
    "is not available: this quillane-batch was built without the plot drawing "
    "(QUILLANE_BUILD_RENDER=OFF and QUILLANE_BUILD_FRONTEND=OFF)";

// ---- the help text ----
// The options are listed by group in the order they were declared, each
// with the name of its value; the first group has no heading.
constexpr const char *kMainGroup = "Options";

constexpr const char *kSynopsis =
    "usage: quillane-batch [--out REPORT] [--active 1,3,5] [--limits LO HI] [--radius]\n"
    "                      [--span N] [--terms T] [--ref K] [--plots DIR] [--echo]\n"
    "                      [--images FORMAT [--image-size WxH]]\n"
    "                      [--report-pdf FILE [--page-size a4|letter]]\n"
    "                      [--assess] [--csv FILE] [--json FILE]\n"
    "                      [--series K|all | --each-series] [--every N]\n"
    "                      [--column K] [--margin CM] FILE...\n"
    "       quillane-batch --series list FILE...\n"
    "       quillane-batch --columns [--series K] [--radius] [--margin CM] FILE...\n"
    "       quillane-batch --watch DIR [--pattern GLOB] [--interval S]\n"
    "                      [--series SERIES|list|all | --each-series]\n"
    "                      [--until-equilibrium] [other options]\n";

class HelpFormat : public CLI::Formatter {
  public:
    HelpFormat() { column_width(20); }

    std::string make_option_name(const CLI::Option *opt, bool) const override {
        std::string names;
        for (const std::string &s : opt->get_snames())
            names += (names.empty() ? "-" : ", -") + s;
        for (const std::string &l : opt->get_lnames())
            names += (names.empty() ? "--" : ", --") + l;
        return names;
    }
    std::string make_option_opts(const CLI::Option *opt) const override {
        const std::string value = opt->get_type_name();
        return value.empty() ? value : " " + value;
    }

    std::string make_help(const CLI::App *app, std::string, CLI::AppFormatMode) const override {
        std::string out = std::string(kSynopsis) + "\n" + app->get_description() + "\n";
        for (const std::string &group : app->get_groups()) {
            const auto opts = app->get_options([&](const CLI::Option *o) {
                return o->get_group() == group && o->nonpositional();
            });
            if (opts.empty()) continue;
            if (group != kMainGroup) out += "\n" + group + "\n";
            for (const CLI::Option *o : opts)
                out += make_option(o, false);
        }
        return out + "\n" + app->get_footer();
    }
};

// Every option of the runner, bound to o.  parse_options and usage_text
// both use it, so the help lists exactly what is parsed.
void declare(CLI::App &app, Options &o) {
    app.set_help_flag();
    app.allow_extras();  // unknown options are named below, one at a time
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.formatter(std::make_shared<HelpFormat>());
    app.description(
        "Reads the scan FILEs as data sets 1, 2, ..., fits every active set against\n"
        "every other one, and writes the report to REPORT (default\n"
        "quillane-report.txt) and every data plot and result graph as a numbered plot\n"
        "file into DIR (default plots).  The FILEs must make one series (one cell, one\n"
        "rotor speed, one wavelength by their headers) of at most 50 scans; otherwise\n"
        "choose a series, or thin it.\n");
    app.footer(
        "Exit status: 0 done; 1 the run could not be completed or is incomplete (for\n"
        "a watch also: the folder vanished or could not be read); 2 the command line\n"
        "asks for something impossible; 3 a watch ended with scan files never used.\n"
        "\n"
        "The analysis library " +
        quillane::session::library_file_name() +
        " is looked for next to this program, then\n"
        "in the library folder of the installation it belongs to, then on the library\n"
        "path; QUILLANE_LIBRARY names another one.\n");

    const std::string whole_number = "needs a whole number";
    const std::string at_least_one = "needs a whole number of 1 or more";
    const std::string zero_or_more = "needs a number of 0 or more";

    app.option_defaults()->group(kMainGroup);
    app.add_option("--out", o.report, "the report (default quillane-report.txt)")
        ->type_name("REPORT")
        ->transform(nonempty());
    app.add_option_function<std::vector<std::string>>(
           "--active",
           [&o](const std::vector<std::string> &lists) {
               for (const std::string &list : lists)
                   if (!to_int_list(list, o.active))
                       throw CLI::ValidationError(
                           "--active", "needs data set numbers separated by commas, such as 1,3,5");
           },
           "data set numbers taking part (default: all; at least 3)")
        ->type_name("LIST")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    app.add_option_function<std::pair<double, double>>(
           "--limits",
           [&o](const std::pair<double, double> &lh) {
               if (!(lh.second > lh.first))
                   throw CLI::ValidationError("--limits", "needs two numbers LO HI with LO < HI");
               o.limits = lh;
           },
           "data limits in the position variable (default: full range)")
        ->type_name("LO HI")
        ->check(real([](double) { return true; }, "needs two numbers LO HI with LO < HI"));
    app.add_flag("--radius", o.radius,
                 "position variable: the radius r in cm (default xi = r^2/2)");
    app.add_option_function<int>(
           "--span", [&o](int n) { o.span = n; },
           "points per local polynomial for the slopes (default 50;\n"
           "at least 3 and more than the degree)")
        ->type_name("N")
        ->transform(
            whole(quillane::session::kMinSpan, 2048, whole_number, "must be 3 to 2048 points"));
    app.add_option_function<int>(
           "--terms", [&o](int n) { o.terms = n; }, "polynomial degree 1..3 (default 3)")
        ->type_name("T")
        ->transform(whole(1, 3, whole_number, "must be 1, 2 or 3"));
    app.add_option("--ref", o.ref,
                   "reference active set of the fit and the graphs (default:\n"
                   "the last)")
        ->type_name("K")
        ->transform(whole(-1000000, 1000000, whole_number, whole_number));
    app.add_option("--plots", o.plots_dir, "folder of the plot files (default plots)")
        ->type_name("DIR")
        ->transform(nonempty());
    app.add_flag("--echo", o.echo, "echo every scan file into the report");

    const bool drawn = images_available();
    const CLI::Validator no_images([](std::string &) -> std::string { return kNoImages; }, "");
    app.add_option("--images", o.images,
                   drawn ? "also draw every kept plot file as an image file beside it,\n"
                           "with the same name: png, bmp, svg or pdf"
                         : "(--images and --image-size are not available: this build\n"
                           "has no plot drawing; QUILLANE_BUILD_RENDER=OFF)")
        ->type_name("FORMAT")
        ->transform(drawn ? CLI::Validator(
                                [](std::string &text) -> std::string {
                                    const std::string format = lower(text);
                                    if (format != "png" && format != "bmp" && format != "svg" &&
                                        format != "pdf")
                                        return "must be png, bmp, svg or pdf, not \"" + text + "\"";
                                    text = format;
                                    return {};
                                },
                                "")
                          : no_images);
    app.add_option_function<std::string>(
           "--image-size",
           [&o](const std::string &text) {
               std::pair<int, int> size;
               if (!to_size(text, size))
                   throw CLI::ValidationError("--image-size",
                                              "needs WIDTHxHEIGHT, such as 1200x900, each " +
                                                  std::to_string(kMinImageSide) + " to " +
                                                  std::to_string(kMaxImageSide));
               o.image_size = size;
           },
           drawn ? "size of the images; default 1200x900 pixels for png and\n"
                   "bmp, 960x720 for svg and pdf (a 10 x 7.5 inch page,\n"
                   "measured in 1/96 inch)"
                 : "(not available in this build either)")
        ->type_name("WxH")
        ->check(drawn ? CLI::Validator() : no_images);
    // The run report is drawn by the same library as the images.
    app.add_option("--report-pdf", o.report_pdf,
                   drawn ? "write the run report, one PDF to hand over: the run, the\n"
                           "settings, the verdict, the forecast, the noise, the\n"
                           "figures and the pairs; with --each-series one report\n"
                           "for the whole run, a summary table first"
                         : "(not available in this build either)")
        ->type_name("FILE")
        ->transform(drawn ? nonempty() : no_images);
    app.add_option("--page-size", o.page_size, "paper of the run report: a4 (default) or letter")
        ->type_name("SIZE")
        ->transform(CLI::Validator(
            [](std::string &text) -> std::string {
                const std::string size = lower(text);
                if (size != "a4" && size != "letter")
                    return "must be a4 or letter, not \"" + text + "\"";
                text = size;
                return {};
            },
            ""));
    app.set_version_flag("--version", std::string(),
                         "print the version of this program and of the library it\n"
                         "loads, and exit");
    app.set_help_flag("-h,--help", "print this help and exit");

    app.option_defaults()->group("Has the cell reached equilibrium?");
    app.add_flag("--assess", o.assess,
                 "add the assessment (noise per scan, verdict, forecast) to\n"
                 "the report, keep the equilibrium graph as a plot, and\n"
                 "print the verdict and the forecast");
    app.add_option("--csv", o.csv, "every ordered pair of scans as CSV (one row per pair)")
        ->type_name("FILE")
        ->transform(nonempty());
    app.add_option("--json", o.json,
                   "the whole run as JSON: settings, sets and their noise,\n"
                   "pairs, averages, the verdict and the forecast")
        ->type_name("FILE")
        ->transform(nonempty());
    const auto not_negative = real([](double x) { return x >= 0.0; }, zero_or_more);
    app.add_option_function<double>(
           "--block-time", [&o](double h) { o.block_hours = h; },
           "hours the matching scans must span (default 4)")
        ->type_name("H")
        ->check(not_negative);
    app.add_option_function<double>(
           "--tolerance", [&o](double x) { o.tolerance = x; },
           "remaining distance that counts as equilibrium, unit of the\n"
           "values (default: what the F test tells from the noise)")
        ->type_name("X")
        ->check(not_negative);
    app.add_flag("--exact-f", o.exact_f,
                 "exact F quantiles instead of the closed-form approximation");

    app.option_defaults()->group(
        "Runs of several speeds and wavelengths; cells of several columns:");
    app.add_option("--series", o.series,
                   "list: print the series the FILEs make, one line each:\n"
                   "\"1: 10000 rpm, 280 nm, 20 scans, FIRST ... LAST\";\n"
                   "K: analyse series K alone, its scans in time order;\n"
                   "all: analyse the FILEs as given, whatever series they make;\n"
                   "with --watch also by speed, wavelength or cell: 10000rpm,\n"
                   "280nm, cell2, joined by commas (cell2,280nm)")
        ->type_name("list|K|all")
        ->transform(nonempty());
    app.add_flag("--each-series", o.each_series,
                 "analyse every series in turn, each into its own folder\n"
                 "series-K/ beside REPORT (report, plots, --csv, --json); a\n"
                 "watch does so once the folder holds two series");
    app.add_option("--every", o.every,
                   "keep the latest scan and every Nth one before it (a series\n"
                   "of more than 50 scans must be thinned)")
        ->type_name("N")
        ->transform(whole(1, 1000000, at_least_one, at_least_one));
    app.add_flag("--columns", o.list_columns,
                 "print the solution columns of the scans, one line each:\n"
                 "\"1: LOW HIGH UNIT\", the limits in the position variable");
    app.add_flag("--verbose", o.verbose,
                 "with --columns: every stretch looked at, and why it is or\n"
                 "is not a column");
    app.add_option("--column", o.column,
                   "set the data limits to solution column K (instead of\n"
                   "--limits); refused, with the columns found, when there\n"
                   "is no column K")
        ->type_name("K")
        ->transform(whole(1, 1000000, at_least_one, at_least_one));
    app.add_option("--margin", o.margin,
                   "how far column limits lie inside meniscus and base\n"
                   "(default 0.02 cm)")
        ->type_name("CM")
        ->check(real([](double x) { return x >= 0.0 && x < 1.0; },
                     "needs a number of cm from 0 to below 1"));

    app.option_defaults()->group("Watching a run as it happens:");
    app.add_option("--watch", o.watch,
                   "read the scans in DIR, then every new one once it is whole\n"
                   "(unchanged over two intervals, its last line ended, at least\n"
                   "90 % of the points of its series' scans); after each, fit its\n"
                   "series again and print one status line (the report, --csv and\n"
                   "--json are rewritten; no plots); files without a time line\n"
                   "(CELL1ABS.LOG) are ignored; Ctrl+C or SIGTERM ends the watch")
        ->type_name("DIR")
        ->transform(nonempty());
    app.add_option("--pattern", o.pattern, "which files of DIR are scans (default *)")
        ->type_name("GLOB")
        ->transform(nonempty());
    app.add_option("--interval", o.interval,
                   "seconds between looks at DIR, 0.1 to 86,400 (a day;\n"
                   "default 10)")
        ->type_name("S")
        ->check(real(
            [](double x) {
                return x >= quillane::session::kMinIntervalSeconds &&
                       x <= quillane::session::kMaxIntervalSeconds;
            },
            "needs a number of seconds from 0.1 to 86,400 (a day)"));
    app.add_flag("--until-equilibrium", o.until_equilibrium,
                 "stop once every series followed says equilibrium");

    app.add_option("FILE", o.files)->group("");

    for (const Rule &r : kExclusions)
        app.get_option(r.option)->excludes(app.get_option(r.other));
    for (const Rule &r : kNeeds)
        app.get_option(r.option)->needs(app.get_option(r.other));
}

// The two option names an exclusion or a need names ("A excludes B").
std::string sentence_of(const std::string &what, const char *verb, const Rule *begin,
                        const Rule *end, const char *fallback) {
    const size_t at = what.find(verb);
    if (at == std::string::npos) return what;
    // The scan files, a positional argument, have no name of their own here.
    auto name = [](std::string n) { return n.empty() ? std::string("FILE") : n; };
    const std::string a = name(what.substr(0, at));
    const std::string b = name(what.substr(at + std::char_traits<char>::length(verb)));
    for (const Rule *r = begin; r != end; ++r)
        if ((a == r->option && b == r->other) || (a == r->other && b == r->option))
            return r->sentence;
    return a + fallback + b;
}

// The first option of the app that the message names, "" when none.
std::string option_in(const CLI::App &app, const std::string &message) {
    std::istringstream words(message);
    std::string word;
    while (words >> word) {
        while (!word.empty() && (word.back() == ':' || word.back() == ','))
            word.pop_back();
        if (word.size() > 1 && word[0] == '-' && app.get_option_no_throw(word) != nullptr)
            return word;
    }
    return {};
}

// One sentence for a mistake CLI11 found.
std::string explain(const CLI::App &app, const CLI::ParseError &e) {
    const std::string what = e.what();
    if (dynamic_cast<const CLI::ValidationError *>(&e) != nullptr) {
        // "--span: must be ..." reads "--span must be ...".
        const size_t colon = what.find(": ");
        return colon == std::string::npos ? what
                                          : what.substr(0, colon) + " " + what.substr(colon + 2);
    }
    if (dynamic_cast<const CLI::ExcludesError *>(&e) != nullptr)
        return sentence_of(what, " excludes ", std::begin(kExclusions), std::end(kExclusions),
                           " cannot be used with ");
    if (dynamic_cast<const CLI::RequiresError *>(&e) != nullptr)
        return sentence_of(what, " requires ", std::begin(kNeeds), std::end(kNeeds), " needs ");
    const std::string name = option_in(app, what);
    if (dynamic_cast<const CLI::ArgumentMismatch *>(&e) != nullptr && !name.empty())
        return name == "--limits" ? "--limits needs two numbers LO HI with LO < HI"
                                  : name + " needs a value";
    if (dynamic_cast<const CLI::ConversionError *>(&e) != nullptr && !name.empty())
        return name + " needs a number";
    return what;
}

}  // namespace

bool images_available() {
#ifdef QUILLANE_BATCH_IMAGES
    return true;
#else
    return false;
#endif
}

std::pair<int, int> image_size_of(const Options &o) {
    if (o.image_size) return *o.image_size;
    return o.images == "svg" || o.images == "pdf" ? kPageSize : kBitmapSize;
}

int Options::series_number() const {
    long k = 0;
    return series != "list" && series != "all" && to_int(series, k) ? static_cast<int>(k) : 0;
}

std::string usage_text() {
    Options o;
    CLI::App app;
    declare(app, o);
    return app.help();
}

std::optional<Options> parse_options(int argc, const char *const *argv, std::string &error) {
    Options o;
    if (argc < 1 || argv == nullptr) argc = 1;  // no arguments at all, not even the program
    const char *const none[] = {"quillane-batch", nullptr};
    try {
        CLI::App app("", "quillane-batch");
        declare(app, o);
        try {
            app.parse(argc, argv != nullptr ? argv : none);
        } catch (const CLI::CallForHelp &) {
            o.help = true;
            return o;
        } catch (const CLI::CallForVersion &) {
            o.version = true;
            return o;
        } catch (const CLI::ParseError &e) {
            error = explain(app, e);
            return std::nullopt;
        }
        for (const std::string &arg : app.remaining())
            if (arg != "--") {
                error = "unknown option " + arg;
                return std::nullopt;
            }
    } catch (const std::exception &e) {
        // Only a fault in the declarations above can get here.
        error = std::string("the command line could not be read: ") + e.what();
        return std::nullopt;
    }

    // What depends on an option's value rather than on its presence.
    if (o.files.empty() && o.watch.empty()) {
        error = "no scan files given";
        return std::nullopt;
    }
    if (o.series == "list" && !o.report_pdf.empty()) {
        error = kReportOfAnAnalysis;
        return std::nullopt;
    }
    // A watch also picks series by speed, wavelength or cell; the folder
    // checks them when it is read.
    if (long k = 0; o.watch.empty() && !o.series.empty() && o.series != "list" &&
                    o.series != "all" && (!to_int(o.series, k) || k < 1)) {
        error = "--series needs list, all or a series number 1, 2, ...";
        return std::nullopt;
    }
    if (o.series == "list" && (o.list_columns || o.every != 1 || o.column != 0)) {
        error =
            "--series list only lists the series: give no --columns, --every or --column with it";
        return std::nullopt;
    }
    return o;
}

}  // namespace batch

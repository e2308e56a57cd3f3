#include "options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "library_files.h"

namespace batch {
namespace {

bool to_int(const std::string &text, int &out) {
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || v < -1000000 || v > 1000000)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool to_real(const std::string &text, double &out) {
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
    out = v;
    return true;
}

// "1,3,5": every entry a number (an empty entry, as in "1,2,", is a mistake).
bool to_int_list(const std::string &text, std::vector<int> &out) {
    if (text.empty() || text.back() == ',') return false;
    std::stringstream ss(text);
    std::string item;
    while (std::getline(ss, item, ',')) {
        int v = 0;
        if (!to_int(item, v)) return false;
        out.push_back(v);
    }
    return !out.empty();
}

// "WxH" (or "WXH") with both sides in the accepted range.
bool to_size(const std::string &text, std::pair<int, int> &out) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    int w = 0, h = 0;
    if (!to_int(text.substr(0, x), w) || !to_int(text.substr(x + 1), h)) return false;
    if (w < kMinImageSide || w > kMaxImageSide || h < kMinImageSide || h > kMaxImageSide)
        return false;
    out = {w, h};
    return true;
}

std::string lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// --report-pdf FILE and --page-size a4|letter: the run report.
bool parse_report_option(const std::string &arg, const std::optional<std::string> &v, Options &o,
                         std::string &error) {
    if (!images_available()) {
        error = arg +
                " is not available: this quillane-batch was built without the render "
                "library (QUILLANE_BUILD_RENDER=OFF)";
        return false;
    }
    if (!v || v->empty()) {
        if (error.empty()) error = arg + " needs a value";
        return false;
    }
    if (arg == "--report-pdf") {
        o.report_pdf = *v;
        return true;
    }
    o.page_size = lower(*v);
    if (o.page_size != "a4" && o.page_size != "letter") {
        error = "--page-size must be a4 or letter, not \"" + *v + "\"";
        return false;
    }
    return true;
}

bool check_report_options(const Options &o, std::string &error) {
    if (o.report_pdf.empty()) return true;
    if (!o.watch.empty() || o.list_columns || o.series == "list") {
        error =
            "--report-pdf reports an analysis: it cannot be used with --watch, --columns "
            "or --series list";
        return false;
    }
    return true;
}

constexpr const char *kNoImages =
    " is not available: this quillane-batch was built without the Qt front end "
    "(QUILLANE_BUILD_FRONTEND=OFF), whose plot viewer draws the images";

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
    int k = 0;
    return series != "list" && series != "all" && to_int(series, k) ? k : 0;
}

std::string usage_text() {
    const std::string images =
        images_available()
            ? "  --images FORMAT   also draw every kept plot file as an image file beside it,\n"
              "                    with the same name: png, bmp, svg or pdf\n"
              "  --image-size WxH  size of the images; default 1200x900 pixels for png and\n"
              "                    bmp, 960x720 for svg and pdf (a 10 x 7.5 inch page,\n"
              "                    measured in 1/96 inch)\n"
              "  --report-pdf FILE write the run report, one PDF to hand over: the run, the\n"
              "                    settings, the verdict, the forecast, the noise, the\n"
              "                    figures and the pairs; with --each-series one report\n"
              "                    for the whole run, a summary table first\n"
              "  --page-size SIZE  paper of the run report: a4 (default) or letter\n"
            : "  (--images and --image-size are not available: this build has no Qt front\n"
              "  end, whose plot viewer draws the images; QUILLANE_BUILD_FRONTEND=OFF)\n";
    return "usage: quillane-batch [--out REPORT] [--active 1,3,5] [--limits LO HI] [--radius]\n"
           "                      [--span N] [--terms T] [--ref K] [--plots DIR] [--echo]\n"
           "                      [--images FORMAT [--image-size WxH]]\n"
           "                      [--report-pdf FILE [--page-size a4|letter]]\n"
           "                      [--assess] [--csv FILE] [--json FILE]\n"
           "                      [--series K|all | --each-series] [--every N]\n"
           "                      [--column K] [--margin CM] FILE...\n"
           "       quillane-batch --series list FILE...\n"
           "       quillane-batch --columns [--series K] [--radius] [--margin CM] FILE...\n"
           "       quillane-batch --watch DIR [--pattern GLOB] [--interval S]\n"
           "                      [--until-equilibrium] [other options]\n"
           "\n"
           "Reads the scan FILEs as data sets 1, 2, ..., fits every active set against\n"
           "every other one, and writes the report to REPORT (default\n"
           "quillane-report.txt) and every data plot and result graph as a numbered plot\n"
           "file into DIR (default plots).  The FILEs must make one series (one cell, one\n"
           "rotor speed, one wavelength by their headers) of at most 50 scans; otherwise\n"
           "choose a series, or thin it.\n"
           "\n"
           "  --active LIST     data set numbers taking part (default: all; at least 3)\n"
           "  --limits LO HI    data limits in the position variable (default: full range)\n"
           "  --radius          position variable: the radius r in cm (default xi = r^2/2)\n"
           "  --span N          points per local polynomial for the slopes (default 50;\n"
           "                    at least 3 and more than the degree)\n"
           "  --terms T         polynomial degree 1..3 (default 3)\n"
           "  --ref K           reference active set of the fit and the graphs (default: the "
           "last)\n"
           "  --echo            echo every scan file into the report\n" +
           images +
           "  --version         print the version of this program and of the library it\n"
           "                    loads, and exit\n"
           "  -h, --help        print this help and exit\n"
           "\n"
           "Has the cell reached equilibrium?\n"
           "  --assess          add the assessment (noise per scan, verdict, forecast) to\n"
           "                    the report, keep the equilibrium graph as a plot, and\n"
           "                    print the verdict and the forecast\n"
           "  --csv FILE        every ordered pair of scans as CSV (one row per pair)\n"
           "  --json FILE       the whole run as JSON: settings, sets and their noise,\n"
           "                    pairs, averages, the verdict and the forecast\n"
           "  --block-time H    hours the matching scans must span (default 4)\n"
           "  --tolerance X     remaining distance that counts as equilibrium, unit of the\n"
           "                    values (default: what the F test tells from the noise)\n"
           "  --exact-f         exact F quantiles instead of the closed-form approximation\n"
           "\n"
           "Runs of several speeds and wavelengths; cells of several columns:\n"
           "  --series list     print the series the FILEs make, one line each:\n"
           "                    \"1: 10000 rpm, 280 nm, 20 scans, FIRST ... LAST\"\n"
           "  --series K        analyse series K alone, its scans in time order\n"
           "  --series all      analyse the FILEs as given, whatever series they make\n"
           "  --each-series     analyse every series in turn, each into its own folder\n"
           "                    series-K/ beside REPORT (report, plots, --csv, --json)\n"
           "  --every N         keep the latest scan and every Nth one before it (a series\n"
           "                    of more than 50 scans must be thinned)\n"
           "  --columns         print the solution columns of the scans, one line each:\n"
           "                    \"1: LOW HIGH UNIT\", the limits in the position variable\n"
           "  --column K        set the data limits to solution column K (instead of\n"
           "                    --limits); without any column the full range is used\n"
           "  --margin CM       how far column limits lie inside meniscus and base\n"
           "                    (default 0.02 cm)\n"
           "\n"
           "Watching a run as it happens:\n"
           "  --watch DIR       read the scans in DIR, then every new one once it has\n"
           "                    stopped growing; after each, fit again and print one status\n"
           "                    line (the report, --csv and --json are rewritten; no plots)\n"
           "  --pattern GLOB    which files of DIR are scans (default *)\n"
           "  --interval S      seconds between looks at DIR (default 10)\n"
           "  --until-equilibrium  stop (exit 0) once the verdict says equilibrium\n"
           "  Ctrl+C or SIGTERM ends the watch cleanly.\n"
           "\n"
           "The analysis library " +
           quillane::session::library_file_name() +
           " is looked for next to this program, then\n"
           "in the library folder of the installation it belongs to, then on the library\n"
           "path; QUILLANE_LIBRARY names another one.\n";
}

std::optional<Options> parse_options(int argc, char **argv, std::string &error) {
    Options o;
    auto value = [&](int &i, const std::string &name) -> std::optional<std::string> {
        if (i + 1 >= argc) {
            error = name + " needs a value";
            return std::nullopt;
        }
        return std::string(argv[++i]);
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--out" || arg == "--plots") {
            const auto v = value(i, arg);
            if (!v || v->empty()) {
                if (error.empty()) error = arg + " needs a value";
                return std::nullopt;
            }
            (arg == "--out" ? o.report : o.plots_dir) = *v;
        } else if (arg == "--active") {
            const auto v = value(i, arg);
            if (!v) return std::nullopt;
            if (!to_int_list(*v, o.active)) {
                error = "--active needs data set numbers separated by commas, such as 1,3,5";
                return std::nullopt;
            }
        } else if (arg == "--limits") {
            double lo = 0.0, hi = 0.0;
            const auto a = value(i, arg);
            const auto b = a ? value(i, arg) : std::nullopt;
            if (!b) return std::nullopt;
            if (!to_real(*a, lo) || !to_real(*b, hi) || !(hi > lo)) {
                error = "--limits needs two numbers LO HI with LO < HI";
                return std::nullopt;
            }
            o.limits = std::pair{lo, hi};
        } else if (arg == "--radius") {
            o.radius = true;
        } else if (arg == "--assess") {
            o.assess = true;
        } else if (arg == "--exact-f") {
            o.exact_f = true;
        } else if (arg == "--until-equilibrium") {
            o.until_equilibrium = true;
        } else if (arg == "--csv" || arg == "--json" || arg == "--watch" || arg == "--pattern") {
            const auto v = value(i, arg);
            if (!v || v->empty()) {
                if (error.empty()) error = arg + " needs a value";
                return std::nullopt;
            }
            (arg == "--csv"     ? o.csv
             : arg == "--json"  ? o.json
             : arg == "--watch" ? o.watch
                                : o.pattern) = *v;
        } else if (arg == "--block-time" || arg == "--tolerance" || arg == "--interval") {
            const auto v = value(i, arg);
            double x = 0.0;
            if (!v) return std::nullopt;
            if (!to_real(*v, x) || x < 0.0 || (arg == "--interval" && x <= 0.0)) {
                error = arg + (arg == "--interval" ? " needs a number of seconds above 0"
                                                   : " needs a number of 0 or more");
                return std::nullopt;
            }
            if (arg == "--block-time") o.block_hours = x;
            if (arg == "--tolerance") o.tolerance = x;
            if (arg == "--interval") o.interval = x;
        } else if (arg == "--series") {
            const auto v = value(i, arg);
            if (!v) return std::nullopt;
            int k = 0;
            if (*v != "list" && *v != "all" && (!to_int(*v, k) || k < 1)) {
                error = "--series needs list, all or a series number 1, 2, ...";
                return std::nullopt;
            }
            o.series = *v;
        } else if (arg == "--each-series") {
            o.each_series = true;
        } else if (arg == "--columns") {
            o.list_columns = true;
        } else if (arg == "--every" || arg == "--column") {
            const auto v = value(i, arg);
            int n = 0;
            if (!v) return std::nullopt;
            if (!to_int(*v, n) || n < 1) {
                error = arg + " needs a whole number of 1 or more";
                return std::nullopt;
            }
            (arg == "--every" ? o.every : o.column) = n;
        } else if (arg == "--margin") {
            const auto v = value(i, arg);
            if (!v) return std::nullopt;
            if (!to_real(*v, o.margin) || o.margin < 0.0 || o.margin >= 1.0) {
                error = "--margin needs a number of cm from 0 to below 1";
                return std::nullopt;
            }
        } else if (arg == "--echo") {
            o.echo = true;
        } else if (arg == "--report-pdf" || arg == "--page-size") {
            if (!parse_report_option(arg, value(i, arg), o, error)) return std::nullopt;
        } else if (arg == "--images" || arg == "--image-size") {
            if (!images_available()) {
                error = arg + kNoImages;
                return std::nullopt;
            }
            const auto v = value(i, arg);
            if (!v) return std::nullopt;
            if (arg == "--images") {
                o.images = lower(*v);
                if (o.images != "png" && o.images != "bmp" && o.images != "svg" &&
                    o.images != "pdf") {
                    error = "--images must be png, bmp, svg or pdf, not \"" + *v + "\"";
                    return std::nullopt;
                }
            } else {
                std::pair<int, int> size;
                if (!to_size(*v, size)) {
                    error = "--image-size needs WIDTHxHEIGHT, such as 1200x900, each " +
                            std::to_string(kMinImageSide) + " to " + std::to_string(kMaxImageSide);
                    return std::nullopt;
                }
                o.image_size = size;
            }
        } else if (arg == "--span" || arg == "--terms" || arg == "--ref") {
            const auto v = value(i, arg);
            int n = 0;
            if (!v) return std::nullopt;
            if (!to_int(*v, n)) {
                error = arg + " needs a whole number";
                return std::nullopt;
            }
            if (arg == "--span") o.span = n;
            if (arg == "--terms") o.terms = n;
            if (arg == "--ref") o.ref = n;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            error = "unknown option " + arg;
            return std::nullopt;
        } else {
            if (arg == "--") {
                for (++i; i < argc; ++i)
                    o.files.emplace_back(argv[i]);
                break;
            }
            o.files.push_back(arg);
        }
    }
    if (o.help || o.version) return o;
    if (o.files.empty() && o.watch.empty()) {
        error = "no scan files given";
        return std::nullopt;
    }
    if (!o.files.empty() && !o.watch.empty()) {
        error = "--watch reads the scans of its folder: give no scan files with it";
        return std::nullopt;
    }
    if (!o.watch.empty() && (!o.active.empty() || o.ref != 0 || !o.images.empty())) {
        error = "--active, --ref and --images cannot be used with --watch";
        return std::nullopt;
    }
    if (!o.watch.empty() &&
        (!o.series.empty() || o.each_series || o.every != 1 || o.list_columns)) {
        error = "--series, --each-series, --every and --columns cannot be used with --watch";
        return std::nullopt;
    }
    if (!o.series.empty() && o.each_series) {
        error = "--series and --each-series cannot be used together";
        return std::nullopt;
    }
    if (o.series == "list" && (o.list_columns || o.every != 1 || o.column != 0)) {
        error =
            "--series list only lists the series: give no --columns, --every or --column "
            "with it";
        return std::nullopt;
    }
    if (o.list_columns && (o.each_series || o.column != 0)) {
        error =
            "--columns lists the columns of one series: give --series K, not "
            "--each-series or --column";
        return std::nullopt;
    }
    if (o.column != 0 && o.limits) {
        error = "--column and --limits both set the data limits: give one of them";
        return std::nullopt;
    }
    if (o.each_series && (!o.active.empty() || o.ref != 0)) {
        error =
            "--active and --ref name sets of one series: give them with --series K, not "
            "--each-series";
        return std::nullopt;
    }
    if (o.every != 1 && !o.active.empty()) {
        error =
            "--active numbers the files as given, but --every thins them first: give one of "
            "them";
        return std::nullopt;
    }
    if (o.until_equilibrium && o.watch.empty()) {
        error = "--until-equilibrium needs --watch";
        return std::nullopt;
    }
    if (o.span && (*o.span < quillane::session::kMinSpan || *o.span > 2048)) {
        error = "--span must be 3 to 2048 points";
        return std::nullopt;
    }
    if (o.terms && (*o.terms < 1 || *o.terms > 3)) {
        error = "--terms must be 1, 2 or 3";
        return std::nullopt;
    }
    if (!check_report_options(o, error)) return std::nullopt;
    if (o.image_size && o.images.empty()) {
        error = "--image-size needs --images";
        return std::nullopt;
    }
    return o;
}

}  // namespace batch

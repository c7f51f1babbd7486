// Nanoseconds per conversion, ours against the anchors, on three input sets:
// BMI-like values and texts, the values and texts of the edge-case tables, and
// random doubles across all exponents with their 17-digit texts. Inputs are
// read from arrays at run time and every result is kept alive.
//
// Anchors: snprintf("%.13g") and strtod; std::to_chars(x, scientific, 16) and
// std::from_chars. The summary at the end prints the ratios.

#include <benchmark/benchmark.h>

#include <bit>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench_summary.h"
#include "calc/number_to_text.h"
#include "calc/text_to_number.h"

namespace halverne::bench {
namespace {

// Texts in one zero-separated buffer (strtod needs the zero), with views.
struct Texts {
  std::string buffer;
  std::vector<std::string_view> views;
};

Texts make_texts(const std::vector<std::string>& list) {
  Texts t;
  std::vector<std::size_t> offsets;
  for (const std::string& s : list) {
    offsets.push_back(t.buffer.size());
    t.buffer += s;
    t.buffer += '\0';
  }
  for (std::size_t i = 0; i < list.size(); ++i)
    t.views.emplace_back(t.buffer.data() + offsets[i], list[i].size());
  return t;
}

std::string seventeen_digits(double x) {
  char b[40];
  const int n = std::snprintf(b, sizeof b, "%.17g", x);
  return std::string(b, static_cast<std::size_t>(n));
}

struct InputSet {
  std::vector<double> values;
  Texts texts;
};

// Quotients of weights (30-150 kg by 0.1) by squared heights (1.40-2.10 m
// by 0.01); texts as people type them.
const InputSet& bmi_set() {
  static const InputSet set = [] {
    InputSet s;
    std::mt19937_64 rng(1);
    std::vector<std::string> texts;
    for (int i = 0; i < 4096; ++i) {
      const int cm = 140 + static_cast<int>(rng() % 71);
      const int dg = 300 + static_cast<int>(rng() % 1201);
      const double h = text_to_number(std::to_string(cm / 100) + "." +
                                      std::to_string(cm % 100 / 10) + std::to_string(cm % 10));
      const double w = text_to_number(std::to_string(dg / 10) + "." + std::to_string(dg % 10));
      s.values.push_back(w / (h * h));
      texts.push_back(i % 2 == 0 ? std::to_string(cm / 100) + "." + std::to_string(cm % 100)
                                 : std::to_string(dg / 10) + "." + std::to_string(dg % 10));
    }
    s.texts = make_texts(texts);
    return s;
  }();
  return set;
}

// The values and texts of the edge-case tables.
const InputSet& table_set() {
  static const InputSet set = [] {
    InputSet s;
    s.values = {22.857142857142858,
                -22.857142857142858,
                23.437499999999996,
                2.2857142857142856,
                0.1111111111111111,
                0.002285714285714286,
                0.0001,
                0.00001,
                0.00012345678901234,
                1e-10,
                0.5,
                100,
                123456789012.34,
                1234567890123.4,
                9999999999999,
                10000000000000,
                12345678901234,
                99999999999999,
                9.99999999999995,
                1.2345678901235,
                487.07632660815,
                1.7976931348623157e308,
                5e-324,
                0.0,
                -0.0,
                std::bit_cast<double>(0x7FF0000000000000ull),
                std::bit_cast<double>(0xFFF0000000000000ull),
                std::bit_cast<double>(0xFFF8000000000000ull)};
    s.texts = make_texts({"70",
                          "1.75",
                          "  1.75",
                          "\t\n1.5",
                          "+1.75",
                          "-1.75",
                          ".5",
                          "5.",
                          "0012.50",
                          "1.75m",
                          "1,75",
                          "1 000",
                          "1.2.3",
                          "1e2",
                          "1E+2",
                          "1d2",
                          "1D-2",
                          "1e",
                          "1e+",
                          "e5",
                          "",
                          "abc",
                          "-",
                          ".",
                          "+-1",
                          "0x1A",
                          "-0",
                          "\xA3\xB1\xA3\xAE\xA3\xB7\xA3\xB5",
                          "\xA1\xA1"
                          "1.75",
                          "\xA3\xAD\xA3\xB1",
                          "\xC6\xDF\xCA\xAE",
                          "1e400",
                          "-1e400",
                          "1e-400",
                          "1e-310"});
    return s;
  }();
  return set;
}

// Random finite doubles, every exponent equally likely.
const InputSet& random_set() {
  static const InputSet set = [] {
    InputSet s;
    std::mt19937_64 rng(2);
    std::vector<std::string> texts;
    while (s.values.size() < 4096) {
      const double x = std::bit_cast<double>(rng());
      if (x - x != 0) continue;  // infinities and NaNs
      s.values.push_back(x);
      texts.push_back(seventeen_digits(x));
    }
    s.texts = make_texts(texts);
    return s;
  }();
  return set;
}

template <typename Convert>
void run_number_to_text(benchmark::State& state, const InputSet& set, Convert convert) {
  const std::vector<double>& xs = set.values;
  std::size_t i = 0;
  char buffer[64];
  for (auto _ : state) {
    std::size_t n = convert(xs[i], buffer);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(buffer);
    benchmark::ClobberMemory();
    if (++i == xs.size()) i = 0;
  }
}

template <typename Convert>
void run_text_to_number(benchmark::State& state, const InputSet& set, Convert convert) {
  const std::vector<std::string_view>& ts = set.texts.views;
  std::size_t i = 0;
  for (auto _ : state) {
    double x = convert(ts[i]);
    benchmark::DoNotOptimize(x);
    if (++i == ts.size()) i = 0;
  }
}

std::size_t ours(double x, char* out) { return number_to_chars(x, out); }
std::size_t ours_text(double x, char* out) {
  Text t = number_to_text(x);  // with the allocation a Text may need
  benchmark::DoNotOptimize(t.data());
  out[0] = t[0];
  return t.size();
}
std::size_t printf_13g(double x, char* out) {
  return static_cast<std::size_t>(std::snprintf(out, 64, "%.13g", x));
}
std::size_t to_chars_16(double x, char* out) {
  return static_cast<std::size_t>(
      std::to_chars(out, out + 64, x, std::chars_format::scientific, 16).ptr - out);
}

double parse_ours(std::string_view t) { return text_to_number(t); }
double parse_strtod(std::string_view t) { return std::strtod(t.data(), nullptr); }
double parse_from_chars(std::string_view t) {
  double x = 0;
  std::from_chars(t.data(), t.data() + t.size(), x);
  return x;
}

const InputSet& (*const kSets[])() = {bmi_set, table_set, random_set};
const char* const kSetNames[] = {"bmi", "table", "random"};

void register_all() {
  for (int s = 0; s < 3; ++s) {
    const auto set = kSets[s];
    const std::string n2t = std::string("number_to_text/") + kSetNames[s] + "/";
    const std::string t2n = std::string("text_to_number/") + kSetNames[s] + "/";
    benchmark::RegisterBenchmark((n2t + "halverne").c_str(), [set](benchmark::State& st) {
      run_number_to_text(st, set(), ours);
    });
    benchmark::RegisterBenchmark((n2t + "halverne_text").c_str(), [set](benchmark::State& st) {
      run_number_to_text(st, set(), ours_text);
    });
    benchmark::RegisterBenchmark((n2t + "snprintf_13g").c_str(), [set](benchmark::State& st) {
      run_number_to_text(st, set(), printf_13g);
    });
    benchmark::RegisterBenchmark((n2t + "to_chars_sci16").c_str(), [set](benchmark::State& st) {
      run_number_to_text(st, set(), to_chars_16);
    });
    benchmark::RegisterBenchmark((t2n + "halverne").c_str(), [set](benchmark::State& st) {
      run_text_to_number(st, set(), parse_ours);
    });
    benchmark::RegisterBenchmark((t2n + "strtod").c_str(), [set](benchmark::State& st) {
      run_text_to_number(st, set(), parse_strtod);
    });
    benchmark::RegisterBenchmark((t2n + "from_chars").c_str(), [set](benchmark::State& st) {
      run_text_to_number(st, set(), parse_from_chars);
    });
  }
}

void print_ratios(const Results& r) {
  auto get = [&](const std::string& name) {
    const auto it = r.find(name);
    return it == r.end() ? 0.0 : it->second;
  };
  std::printf(
      "\nRatios (CPU time per conversion; goals: snprintf/ours >= 5, ours/to_chars <= 1.5,\n"
      "strtod/ours >= 3, ours/from_chars <= 1.5)\n");
  std::printf("%-8s %12s %12s %12s %12s\n", "set", "snprintf/n2t", "n2t/to_chars", "strtod/t2n",
              "t2n/from_chars");
  for (const char* set : kSetNames) {
    const std::string n2t = std::string("number_to_text/") + set + "/";
    const std::string t2n = std::string("text_to_number/") + set + "/";
    const double ours_n = get(n2t + "halverne"), ours_t = get(t2n + "halverne");
    if (ours_n == 0 || ours_t == 0) continue;  // filtered out of this run
    std::printf("%-8s %12.2f %12.2f %12.2f %12.2f\n", set, get(n2t + "snprintf_13g") / ours_n,
                ours_n / get(n2t + "to_chars_sci16"), get(t2n + "strtod") / ours_t,
                ours_t / get(t2n + "from_chars"));
  }
}

const int registered = (register_all(), register_summary(print_ratios));

}  // namespace
}  // namespace halverne::bench

// Throughput of the reply parser against pugixml on replies shaped like the opt-out server's
// call list: a result, a message and as many LIST rows as fit the size.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include <pugixml.hpp>

#include "center/xmlelement.h"

namespace {

std::string MakeReply(size_t bytes) {
    // "정상처리되었습니다" in CP949, as the server's message arrives after conversion.
    std::string xml = "<?xml version=\"1.0\"?>\r\n<DNC>\r\n<Result>1000</Result>\r\n"
                      "<Message>\xC1\xA4\xBB\xF3\xC3\xB3\xB8\xAE\xB5\xC7\xBE\xFA\xBD\xC0\xB4\xCF\xB4\xD9"
                      "</Message>\r\n";
    char row[256];
    for (int i = 0; xml.size() < bytes; ++i) {
        std::snprintf(row, sizeof row,
                      "<LIST>\r\n<DATE>2024-%02d-%02d</DATE>\r\n<TIME>%d</TIME>\r\n<CN>080-%03d-%04d</CN>\r\n"
                      "<P>010-%04d-%04d</P>\r\n</LIST>\r\n",
                      i % 12 + 1, i % 28 + 1, (i * 37) % 240000, i % 1000, i % 10000, (i * 7) % 10000,
                      (i * 13) % 10000);
        xml += row;
    }
    return xml + "</DNC>\r\n";
}

const std::string& Reply(int64_t bytes) {
    static const std::string small = MakeReply(1 << 10);
    static const std::string medium = MakeReply(100 << 10);
    static const std::string large = MakeReply(10 << 20);
    return bytes <= (1 << 10) ? small : bytes <= (100 << 10) ? medium : large;
}

void Ours(benchmark::State& state) {
    const std::string& xml = Reply(state.range(0));
    for (auto _ : state) {
        XmlElement root;
        XmlParseOptions options;
        benchmark::DoNotOptimize(ParseElement(root, xml, options));
        benchmark::DoNotOptimize(root.children.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * xml.size()));
}

void Pugi(benchmark::State& state) {
    const std::string& xml = Reply(state.range(0));
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(
            doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8));
        benchmark::DoNotOptimize(doc.first_child());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * xml.size()));
}

// Parse and read every row as the call-list download does.
void OursRead(benchmark::State& state) {
    const std::string& xml = Reply(state.range(0));
    for (auto _ : state) {
        XmlElement root;
        XmlParseOptions options;
        ParseElement(root, xml, options);
        size_t total = InnerText(*FindChild(root, "Result")).size();
        for (const XmlElement* row : FindChildren(root, "LIST")) {
            for (const char* name : {"DATE", "TIME", "CN", "P"}) {
                if (const XmlElement* e = FindChild(*row, name))
                    total += InnerText(*e).size();
            }
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * xml.size()));
}

void PugiRead(benchmark::State& state) {
    const std::string& xml = Reply(state.range(0));
    for (auto _ : state) {
        pugi::xml_document doc;
        doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
        const pugi::xml_node root = doc.child("DNC");
        size_t total = std::string(root.child("Result").child_value()).size();
        for (const pugi::xml_node row : root.children("LIST")) {
            for (const char* name : {"DATE", "TIME", "CN", "P"})
                total += std::string(row.child(name).child_value()).size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * xml.size()));
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1 << 10)->Arg(100 << 10)->Arg(10 << 20)->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(Ours)->Apply(Sizes);
BENCHMARK(Pugi)->Apply(Sizes);
BENCHMARK(OursRead)->Apply(Sizes);
BENCHMARK(PugiRead)->Apply(Sizes);

// Prints the usual table, then ours as a share of pugixml's throughput for each size.
// Run e.g. with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto rate = run.counters.find("bytes_per_second");
            // With repetitions the median (reported after the single runs) is the figure kept.
            const bool useful = run.run_type == Run::RT_Iteration || run.aggregate_name == "median";
            if (useful && !run.error_occurred && rate != run.counters.end())
                m_rates[{run.run_name.function_name, run.run_name.args}] = rate->second.value;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-10s %-10s %12s %12s %8s\n", "what", "size", "ours MB/s", "pugi MB/s", "ratio");
        for (const auto& [key, ours] : m_rates) {
            if (key.first.rfind("Ours", 0) != 0)
                continue;
            const auto pugi = m_rates.find({"Pugi" + key.first.substr(4), key.second});
            if (pugi == m_rates.end() || pugi->second <= 0)
                continue;
            std::printf("%-10s %-10s %12.1f %12.1f %8.2f\n", key.first.c_str(), key.second.c_str(),
                        ours / 1e6, pugi->second / 1e6, ours / pugi->second);
        }
    }

private:
    std::map<std::pair<std::string, std::string>, double> m_rates;
};

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// Parsing a large storefront: expat alone with empty handlers, against the whole typed-document build
// (node tree, tag dispatch, every element, item registration, styles). Both run over the same bytes in
// one program run; the ratio of their times is printed at the end.

#include <kivo/markup/xml_parser_helper.h>
#include <kivo/model/element_parser.h>

#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

namespace {

// A generated storefront of about `targetBytes`: sections of flexbox rows holding three version-2 item
// atoms each (texts, badges, an action and beacon metadata), collapsible sections, and banner images with
// tappable areas, nested three containers deep.
std::string generateStorefront(std::size_t targetBytes) {
    std::string out;
    out.reserve(targetBytes + 4096);
    out += R"(<?xml version="1.0" encoding="UTF-8"?>
<storefront kivo-version="2.0" title="Benchmark Market" subtitle="Everything on sale" uuid="BENCH-0001" content-hash="h">
  <head>
    <styles>
      <style id="tile" background-color="#FFFFFF" padding="8 8 8 8" margin="4 4 4 4" border-style="solid" border-width="1" border-top-show="true" border-bottom-show="true"/>
      <style id="name" font-family="fonts/Brand.ttf" font-size="14" font-color="#222222"/>
      <style id="price" font-weight="bold" font-size="18" font-color="#C0392B"/>
    </styles>
    <wayfinder>
)";
    std::string body;
    int section = 0;
    int item = 0;
    while (body.size() < targetBytes) {
        ++section;
        const std::string anchor = std::to_string(section);
        out += "      <category name=\"Section " + anchor + "\" anchor-id=\"" + anchor + "\"/>\n";
        body += "      <linear-layout width=\"match-parent\" height=\"wrap-content\" anchor-id=\"" + anchor +
                "\">\n";
        body += "        <image width=\"match-parent\" height=\"preserve-aspect\" aspect-ratio=\"3\">\n"
                "          <url-source url=\"images/banner-" +
                anchor + ".jpg\" width=\"900\" height=\"300\">\n";
        for (int a = 0; a < 3; ++a) {
            ++item;
            body += "            <area source=\"offer\" source-id=\"banner-" + std::to_string(item) +
                    "\" href=\"offer/" + std::to_string(item) + "\" rect=\"" + std::to_string(a * 300) +
                    " 0 300 300\" payload-slot=\"" + std::to_string(a) +
                    "\"><action type=\"link\" ttm-url=\"https://shop.example.com/o/" + std::to_string(item) +
                    "\"/></area>\n";
        }
        body += "          </url-source>\n        </image>\n";
        const bool collapsible = section % 4 == 0;
        if (collapsible) {
            body +=
                "        <collapsible-layout width=\"match-parent\" height=\"wrap-content\" title=\"More\">\n"
                "        <linear-layout width=\"match-parent\" height=\"wrap-content\">\n";
        }
        for (int row = 0; row < 6; ++row) {
            body += "        <flexbox width=\"match-parent\" height=\"wrap-content\" "
                    "orientation=\"horizontal\">\n";
            for (int t = 0; t < 3; ++t) {
                ++item;
                const std::string id = std::to_string(100000 + item);
                body += "          <item-atom source=\"ecom\" source-id=\"" + id +
                        "\" width=\"0\" flex-grow=\"1\" height=\"wrap-content\" style-id=\"tile\" "
                        "image-url=\"images/p" +
                        id + ".jpg\" image-position=\"image-top\">\n";
                body += "            <text value=\"Product number " + id +
                        " with a longer name\" style-id=\"name\" max-lines=\"2\"/>\n";
                body +=
                    "            <text value=\"" + std::to_string(item % 97) + ".99\" style-id=\"price\"/>\n";
                if (item % 5 == 0) {
                    body += "            <badge url=\"images/sale.png\" width=\"36\" height=\"36\" "
                            "h-pos=\"0\" v-pos=\"0\" badge-application=\"image\"/>\n";
                }
                body +=
                    "            <action type=\"link\" ttm-url=\"https://shop.example.com/p/" + id + "\"/>\n";
                body += "            <beacon-meta sku=\"SKU-" + id + "\" campaign=\"bench\"/>\n";
                body += "          </item-atom>\n";
            }
            body += "        </flexbox>\n";
        }
        if (collapsible) {
            body += "        </linear-layout>\n        </collapsible-layout>\n";
        }
        body += "      </linear-layout>\n";
    }
    out += "    </wayfinder>\n  </head>\n  <body>\n    <linear-layout width=\"match-parent\" "
           "height=\"wrap-content\">\n";
    out += body;
    out += "    </linear-layout>\n  </body>\n</storefront>\n";
    return out;
}

const std::string& document() {
    static const std::string doc = generateStorefront(10 * 1000 * 1000);
    return doc;
}

void onStart(void*, const XML_Char*, const XML_Char**) {}
void onEnd(void*, const XML_Char*) {}
void onCharacters(void*, const XML_Char*, int) {}

void BM_RawExpat(benchmark::State& state) {
    const std::string& doc = document();
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetElementHandler(parser, onStart, onEnd);
        XML_SetCharacterDataHandler(parser, onCharacters);
        const XML_Status status = XML_Parse(parser, doc.data(), static_cast<int>(doc.size()), XML_TRUE);
        if (status != XML_STATUS_OK) {
            state.SkipWithError("expat refused the generated document");
        }
        XML_ParserFree(parser);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_RawExpat)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_TypedDocument(benchmark::State& state) {
    const std::string& doc = document();
    std::size_t items = 0;
    for (auto _ : state) {
        kivo::ParsedDocument parsed = kivo::parseDocument(doc);
        if (parsed.error) {
            state.SkipWithError(parsed.error->message().c_str());
            break;
        }
        items = parsed.itemIDAttributes.size();
        // Tearing the document down is part of a load's cost too; it stays inside the timing.
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * doc.size()));
    state.counters["items"] = static_cast<double>(items);
}
BENCHMARK(BM_TypedDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The node tree alone, for reference: how the typed build's cost divides between tree and elements.
void BM_NodeTree(benchmark::State& state) {
    const std::string& doc = document();
    for (auto _ : state) {
        kivo::XMLParserHelper helper = kivo::XMLParserHelper::borrowing(doc);
        if (helper.start()) {
            state.SkipWithError("the node tree refused the generated document");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_NodeTree)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Prints the usual table, then the ratio of the two mean times per run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.iterations > 0 && !run.error_occurred) {
                seconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto raw = seconds_.find("BM_RawExpat/min_time:2.000");
        const auto typed = seconds_.find("BM_TypedDocument/min_time:2.000");
        if (raw != seconds_.end() && typed != seconds_.end()) {
            const double mb = static_cast<double>(document().size()) / 1e6;
            std::printf("document: %.2f MB\nraw expat: %.1f MB/s\ntyped document: %.1f MB/s\n"
                        "typed / raw time: %.2f\n",
                        mb, mb / (raw->second / 1e3), mb / (typed->second / 1e3),
                        typed->second / raw->second);
        }
    }

private:
    std::map<std::string, double> seconds_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

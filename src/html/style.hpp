#pragma once
// The look of flowplex's pages, shared by the run's page and the stress test's.
#include <string_view>

namespace flowplex::html {

// The look of the page, on screen and on A4 landscape paper. The charts' colours are
// those of a palette that readers with any common colour-vision deficiency can tell apart
// (blue, vermillion, bluish green, grey), and every curve and mark also differs in shape
// or dash, so the page reads in black and white too.
inline constexpr std::string_view kPageStyle = R"(
:root{color-scheme:light}
body{font:14px/1.4 system-ui,sans-serif;color:#111;background:#fff;margin:0 auto;padding:0 16px 32px;max-width:1400px}
h1{font-size:22px;margin:16px 0 4px}
h2{font-size:18px;margin:28px 0 4px;padding-top:8px;border-top:2px solid #0072B2}
.facts,.note{color:#333;margin:4px 0 8px}
.note{font-size:12px}
table{border-collapse:collapse;margin:6px 0 10px;font-size:12px;font-variant-numeric:tabular-nums}
caption{text-align:left;font-weight:600;padding:2px 0}
th,td{padding:1px 6px;border-bottom:1px solid #ddd}
td{text-align:right}
th{text-align:left;font-weight:600}
thead th{text-align:right;border-bottom:1px solid #888}
thead th:first-child{text-align:left}
.run{display:grid;grid-template-columns:max-content auto;gap:2px 16px;margin:8px 0}
.run dt{font-weight:600}.run dd{margin:0}
.gauges :is(td,th):nth-child(3),.gauges :is(td,th):nth-child(4){text-align:left}
.blocks{display:flex;flex-wrap:wrap;gap:0 32px;align-items:flex-start}
.charts{display:grid;grid-template-columns:repeat(auto-fill,minmax(520px,1fr));gap:8px 24px}
figure{margin:0;break-inside:avoid}
figure.pair{display:grid;grid-template-columns:minmax(0,720px) auto;gap:8px 24px;align-items:start;margin-top:8px}
figure.pair details{grid-column:1/-1}
figure table caption{font-weight:400;color:#333}
details{margin:4px 0 12px;overflow-x:auto}
nav ul{font-size:13px;padding-left:20px}
svg{display:block;width:100%;height:auto;font-family:system-ui,sans-serif}
svg text{font-size:11px;fill:#222}
svg .tt{font-size:13px;font-weight:600}
svg .at{font-size:12px;text-anchor:middle}
svg .yl{text-anchor:end}
svg .xl{text-anchor:middle}
.gr{stroke:#e2e2e2;stroke-width:1}
.ax{stroke:#444;fill:none}
.bx{fill:#cde4f4;stroke:#0072B2;stroke-width:1.2}
.wh{stroke:#0072B2;stroke-width:1.2;fill:none}
.md{stroke:#003f66;stroke-width:2.5}
.mm{fill:#fff;stroke:#0072B2;stroke-width:1.2}
.hi{fill:#D55E00;stroke:#111;stroke-width:.8}
.mn{stroke:#111;stroke-width:1.6}
.sq{fill:none;stroke:#9a9a9a;stroke-width:.7;stroke-opacity:.8}
.me{fill:none;stroke:#0072B2;stroke-width:2.5}
.mdn{fill:none;stroke:#009E73;stroke-width:2.5;stroke-dasharray:7 4}
.hs{fill:none;stroke:#D55E00;stroke-width:2}
@page{size:A4 landscape;margin:10mm}
@media print{
body{max-width:none;padding:0;font-size:11px}
nav{display:none}
section.st{break-before:page}
section.co{break-inside:avoid}
h2{font-size:15px;margin-top:8px}
section.st h2{border-top:none;margin-top:0}
.charts{grid-template-columns:1fr 1fr;gap:4px 16px}
table,.note{font-size:9.5px}
details{display:none}
figure.pair{grid-template-columns:minmax(0,1.2fr) 1fr}
}
)";

}  // namespace flowplex::html

// What the report page carries inside it: the charting library (Debian's
// dygraphs, MIT licence) and the page's own script and style. Taken into
// the tool when it is built.
#pragma once

namespace plugin_host {

extern const char* const report_dygraph_js;
extern const char* const report_dygraph_css;
extern const char* const report_page_js;
extern const char* const report_page_css;

}  // namespace plugin_host

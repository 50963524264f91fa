#include "html/page_assets.h"

// The header holding the title, totals and search field comes last in the
// file, as the totals are known only then, and first on the screen.
// Textures are scaled by the width and height the page gives each image;
// those scaled up keep their pixels sharp.
const std::string_view kPageStyle = R"css(
body{margin:0;font:14px/1.4 system-ui,sans-serif;color:#222;background:#eee;display:flex;flex-direction:column}
header{order:-1;position:sticky;top:0;z-index:1;padding:.5em 1em;background:#fff;border-bottom:1px solid #bbb}
h1{font-size:1.3em;margin:0;overflow-wrap:anywhere}
header ul{margin:.2em 0 .4em;padding:0;list-style:none;display:flex;flex-wrap:wrap;gap:0 1.5em}
input{font:inherit;width:22em;max-width:60%}
main{padding:0 1em 1em}
section{display:flex;flex-wrap:wrap;align-items:flex-end;gap:1em}
h2{flex-basis:100%;margin:1em 0 0;font-size:1.05em;overflow-wrap:anywhere}
figure{margin:0;max-width:256px;text-align:center}
figure a{display:inline-block;vertical-align:bottom}
img{display:block;background:repeating-conic-gradient(#ccc 0 25%,#fff 0 50%) 0 0/16px 16px}
img.pixelated{image-rendering:pixelated}
figcaption{font-size:12px;overflow-wrap:anywhere}
figcaption b:empty::after{content:"no name";font-weight:normal;font-style:italic}
.placeholder{display:block;width:14em;padding:.5em;border:1px dashed #a00;background:#fff;color:#a00;font-size:12px;text-align:left}
[hidden]{display:none!important}
)css";

// Shows only the figures whose texture name or PIX file name (the last part
// of their section's heading) holds the typed text, in any letter case, and
// the sections that still show one; counts the figures shown.
const std::string_view kPageScript = R"js(
"use strict";
const search = document.querySelector("header input");
const count = document.querySelector("header output");
const sections = document.querySelectorAll("main section");
const figures = Array.from(document.querySelectorAll("main figure"), (figure) => {
  const heading = figure.parentElement.querySelector("h2").textContent;
  const names = figure.querySelector("figcaption b").textContent + "\n" + heading.slice(heading.lastIndexOf("/") + 1);
  return {figure, names: names.toLowerCase()};
});
function filter() {
  const typed = search.value.toLowerCase();
  let shown = 0;
  for (const entry of figures) {
    entry.figure.hidden = !entry.names.includes(typed);
    if (!entry.figure.hidden) ++shown;
  }
  for (const section of sections) section.hidden = section.querySelector("figure:not([hidden])") === null;
  count.textContent = shown + " of " + figures.length + " textures shown";
}
search.addEventListener("input", filter);
window.addEventListener("pageshow", filter);
filter();
)js";

const std::string_view kPagePolicy =
    "default-src 'none'; img-src 'self'; style-src 'sha256-7ebbhobaxtVMXSKWewu2dTO/qAUQYrAsNCgY/iTaCZw='; "
    "script-src 'sha256-+VZ9RMOFSDkPtfDU9GB8x33mmkhCmtQFxLebWE+FNhA='; base-uri 'none'; form-action 'none'";

#include "html/page_assets.h"

// Wide windows: the title bar above the textures, the aside (totals,
// filters, map) beside them, both in view while the textures scroll.
// Narrow ones: one column, the aside after the textures, only the title bar
// kept in view. Each PIX file's section, and each entry of the map, is laid
// out only near the screen (content-visibility), so that showing thousands
// of figures at once costs what the screen shows.
// Textures are scaled by the width and height the page gives each image;
// those scaled up keep their pixels sharp.
const std::string_view kPageStyle = R"css(
body{margin:0;font:14px/1.4 system-ui,sans-serif;color:#222;background:#eee;display:grid;grid-template-columns:minmax(13em,18em) minmax(0,1fr);grid-template-rows:auto 1fr}
header{grid-column:2;position:sticky;top:0;z-index:1;padding:.4em 1em;background:#fff;border-bottom:1px solid #bbb}
aside{grid-column:1;grid-row:1/3;position:sticky;top:0;box-sizing:border-box;height:100vh;overflow:auto;padding:.5em .8em;background:#f8f8f8;border-right:1px solid #bbb;font-size:13px}
main{grid-column:2;padding:0 1em 1em}
h1{font-size:1.3em;margin:0 0 .2em}
h1 span{display:inline-block;max-width:100%;overflow-wrap:anywhere}
input[type=search]{font:inherit;width:24em;max-width:100%;box-sizing:border-box;min-height:28px}
aside ul{margin:0 0 .5em;padding:0;list-style:none}
fieldset{margin:0 0 .5em;padding:.2em .5em;border:1px solid #bbb}
fieldset label{display:flex;gap:.4em;align-items:baseline;padding:.15em 0;min-height:24px;box-sizing:border-box}
fieldset input{margin:0;width:16px;height:16px;align-self:flex-start;margin-top:.1em;flex:none}
fieldset span{flex:1}
nav h2{font-size:1em;margin:.3em 0}
nav ul ul{padding-left:1em}
nav .file{content-visibility:auto;contain-intrinsic-size:auto 24px}
nav a{display:inline-block;min-height:24px;line-height:24px;overflow-wrap:anywhere}
details{content-visibility:auto;contain-intrinsic-size:auto 400px;scroll-margin-top:6em}
summary{margin:1em 0 .3em;cursor:pointer}
summary h2{display:inline;font-size:1.05em;overflow-wrap:anywhere}
details>div{display:flex;flex-wrap:wrap;align-items:flex-end;gap:1em}
figure{margin:0;max-width:256px;text-align:center;cursor:zoom-in}
figure a{display:flex;min-width:24px;min-height:24px;align-items:center;justify-content:center}
img{display:block;background:repeating-conic-gradient(#ccc 0 25%,#fff 0 50%) 0 0/16px 16px}
img.pixelated{image-rendering:pixelated}
figcaption{font-size:12px;overflow-wrap:anywhere}
figcaption b:empty::after,dd:empty::after{content:"no name";font-weight:normal;font-style:italic}
.placeholder{display:block;width:14em;padding:.5em;border:1px dashed #a00;background:#fff;color:#a00;font-size:12px;text-align:left}
:focus-visible{outline:2px solid #06c;outline-offset:1px}
dialog{padding:0;border:1px solid #888;max-width:calc(100vw - 2em);max-height:calc(100vh - 2em);box-sizing:border-box;overflow:auto}
dialog::backdrop{background:#0008}
.tools{display:flex;flex-wrap:wrap;gap:.3em 1em;padding:.4em;background:#f4f4f4;border-bottom:1px solid #ccc}
.tools span{display:flex;gap:2px}
button{font:inherit;min-width:24px;min-height:24px;padding:0 .4em}
button[aria-pressed=true]{background:#06c;color:#fff}
.stage{display:flex;overflow:auto;min-width:16em;min-height:8em;max-height:70vh}
.stage img{margin:auto;image-rendering:pixelated;background:none}
.checker{background:repeating-conic-gradient(#ccc 0 25%,#fff 0 50%) 0 0/16px 16px}
.black{background:#000}.white{background:#fff}.magenta{background:#f0f}
.note{margin:.5em;color:#a00;max-width:30em}
dl{display:grid;grid-template-columns:auto 1fr;gap:0 1em;margin:.5em}
dt{font-weight:bold}dd{margin:0;overflow-wrap:anywhere}
[hidden]{display:none!important}
@media (max-width:44em){
body{display:flex;flex-direction:column}
header{padding:.3em .6em}
h1{font-size:1.05em}
aside{order:1;position:static;height:auto;border:0;border-top:1px solid #bbb}
main{padding:0 .6em 1em}
}
)css";

const std::string_view kPageControls = R"html(<input type="search" placeholder="Name, path, size or type (press /)" aria-label="Show the textures whose name, path, size or type holds every word typed" autocomplete="off" spellcheck="false"> <output></output>
</header>
<dialog aria-label="The texture close up">
<div class="tools">
<span role="group" aria-label="Zoom"><button type="button" data-zoom="1">1&#215;</button><button type="button" data-zoom="2">2&#215;</button><button type="button" data-zoom="4">4&#215;</button><button type="button" data-zoom="8">8&#215;</button></span>
<span role="group" aria-label="Background"><button type="button" data-background="checker">Checkerboard</button><button type="button" data-background="black">Black</button><button type="button" data-background="white">White</button><button type="button" data-background="magenta">Magenta</button></span>
<span><button type="button" data-step="-1" aria-label="Previous texture" title="Previous (Left)">&#8592;</button><button type="button" data-step="1" aria-label="Next texture" title="Next (Right)">&#8594;</button><button type="button" data-close aria-label="Close" title="Close (Esc)">&#215;</button></span>
</div>
<div class="stage"><img alt=""></div>
<p class="note" hidden></p>
<dl><dt>Name</dt><dd></dd><dt>Size</dt><dd></dd><dt>Type</dt><dd></dd><dt>PIX file</dt><dd></dd><dt>File</dt><dd></dd></dl>
</dialog>
)html";

// Search: every word typed must be found, in any letter case, in the
// texture's name, its PIX file's path, its size or its type; the ticked
// types narrow that down. Each filter counts the textures found that the
// other filters let through. The search and the filters live in the
// address's fragment (#q=...&types=...), so that a link or a reload shows
// the same view. Figures, sections and map entries change only when they
// must, in one pass over records read once.
const std::string_view kPageScript = R"js(
"use strict";
// Written last, as the totals are known only then; first in the document,
// so that the search field is the first Tab stop.
const header = document.querySelector("body > header");
const aside = document.querySelector("body > aside");
const main = document.querySelector("main");
document.body.prepend(header, aside);
// The title's path in boxes of a name and its separator, so that a narrow
// window breaks the line after a separator, not inside a name (as at a
// hyphen).
const title = header.querySelector("h1");
const prefix = "Textures of ";
title.replaceChildren(prefix, ...title.textContent.slice(prefix.length).split(/(?<=[\/\\])/).flatMap((name) => {
  const box = document.createElement("span");
  box.textContent = name;
  return [box, document.createElement("wbr")];
}));
const search = header.querySelector("input");
const count = header.querySelector("output");
const boxes = Array.from(aside.querySelectorAll("fieldset input"));
const nav = aside.querySelector("nav");
const dialog = document.querySelector("dialog");

const files = [];
const textures = [];
const textureOf = new Map();
for (const details of main.querySelectorAll("details")) {
  const file = {details, path: details.querySelector("h2").textContent, textures: [], folders: []};
  details.id = "pix" + (files.length + 1);
  files.push(file);
  for (const figure of details.querySelectorAll("figure")) {
    const caption = figure.querySelector("figcaption");
    const [size] = caption.lastChild.textContent.split(" ");
    const code = figure.dataset.code;
    const texture = {figure, file, size, code, format: figure.dataset.format, shown: true,
                     type: code.replace("!", ""), marked: code.startsWith("!"),
                     name: caption.querySelector("b").textContent,
                     target: figure.querySelector("a"), image: figure.querySelector("img")};
    texture.words = [texture.name, file.path, size.replace("\u00d7", "x"), code, texture.format].join("\n").toLowerCase();
    file.textures.push(texture);
    textures.push(texture);
    textureOf.set(figure, texture);
  }
}

// The map: at each level folders first (TWT archives among them), then
// PIX files, each linking to its section with the count of its textures
// shown.
const folders = [];
function mapList(node) {
  const list = document.createElement("ul");
  for (const folder of node.folders.values()) {
    folder.item = document.createElement("li");
    folder.item.append(folder.name + "/", mapList(folder));
    list.append(folder.item);
  }
  for (const file of node.files) {
    file.item = document.createElement("li");
    file.item.className = "file";
    const link = document.createElement("a");
    link.href = "#" + file.details.id;
    link.textContent = file.path.slice(file.path.lastIndexOf("/") + 1);
    file.number = document.createElement("output");
    file.number.textContent = file.shown = file.textures.length;
    file.item.append(link, " ", file.number);
    list.append(file.item);
  }
  return list;
}
const root = {folders: new Map(), files: []};
for (const file of files) {
  let node = root;
  for (const name of file.path.split("/").slice(0, -1)) {
    if (!node.folders.has(name)) {
      const folder = {name, folders: new Map(), files: [], shown: 0};
      node.folders.set(name, folder);
      folders.push(folder);
    }
    node = node.folders.get(name);
    file.folders.push(node);
  }
  node.files.push(file);
}
nav.append(mapList(root));

// The textures shown, in order; the PIX files whose section, figures or
// map entry must still change to show them, in order. A frame takes at
// most kBudget changes (a section counts as ten figures): enough for a
// whole view at once where changes are cheap, a few frames where each
// section shown costs a while (WebKit), so that no frame holds the page
// long.
const kBudget = 1200;
let shown = textures;
let pending = [];
const typing = {frame: 0, timer: 0};  // a change typed, not made yet
function flush() {
  let spent = 0;
  while (pending.length !== 0 && spent < kBudget) {
    const file = pending.shift();
    const inFile = file.showing;
    // The figures of a section hidden whole keep their state until it
    // shows again: most searches then change sections, not figures.
    if (inFile !== 0) {
      for (const texture of file.textures) {
        if (texture.visible === texture.shown) continue;
        texture.figure.hidden = !(texture.shown = texture.visible);
        ++spent;
      }
    }
    if (inFile !== file.shown) {
      if ((inFile === 0) !== (file.shown === 0)) {
        file.details.hidden = file.item.hidden = inFile === 0;
        spent += 10;
      }
      file.number.textContent = inFile;
      file.shown = inFile;
      ++spent;
    }
  }
  if (pending.length === 0) {
    if (typing.frame === 0 && typing.timer === 0) main.removeAttribute("aria-busy");
  } else {
    main.setAttribute("aria-busy", "true");
    requestAnimationFrame(flush);
  }
}
function apply() {
  const terms = search.value.toLowerCase().replace(/\u00d7/g, "x").split(/\s+/).filter((term) => term !== "");
  const types = boxes.filter((box) => box.checked && box.value !== "!").map((box) => box.value);
  const onlyMarked = boxes.some((box) => box.checked && box.value === "!");
  const counts = new Map(boxes.map((box) => [box.value, 0]));
  const waiting = pending.length !== 0;
  shown = [];
  pending = [];
  for (const folder of folders) folder.shown = 0;
  for (const file of files) {
    const first = shown.length;
    let changed = false;
    for (const texture of file.textures) {
      let found = true;
      for (const term of terms) if (!texture.words.includes(term)) found = false;
      const typeTicked = types.length === 0 || types.includes(texture.type);
      const markTicked = !onlyMarked || texture.marked;
      if (found && markTicked) counts.set(texture.type, counts.get(texture.type) + 1);
      if (found && typeTicked && texture.marked) counts.set("!", counts.get("!") + 1);
      texture.visible = found && typeTicked && markTicked;
      if (texture.visible) shown.push(texture);
      if (texture.visible !== texture.shown) changed = true;
    }
    file.showing = shown.length - first;
    if (file.showing !== 0) for (const folder of file.folders) ++folder.shown;
    if (file.showing !== file.shown || (file.showing !== 0 && changed)) pending.push(file);
  }
  for (const folder of folders) if (folder.item.hidden !== (folder.shown === 0)) folder.item.hidden = folder.shown === 0;
  for (const box of boxes) box.parentElement.querySelector("output").textContent = counts.get(box.value);
  count.textContent = shown.length + " of " + textures.length + " textures shown";
  // A frame already asked for goes on with the new changes.
  if (!waiting) flush();
}

function readAddress() {
  // A section's own address (a map link opened apart) is no view.
  if (/^pix[0-9]+$/.test(location.hash.slice(1))) return false;
  const params = new URLSearchParams(location.hash.slice(1));
  search.value = params.get("q") || "";
  const ticked = (params.get("types") || "").split(" ");
  for (const box of boxes) box.checked = ticked.includes(box.value);
  return true;
}
function writeAddress() {
  const params = new URLSearchParams();
  if (search.value !== "") params.set("q", search.value);
  const ticked = boxes.filter((box) => box.checked).map((box) => box.value);
  if (ticked.length !== 0) params.set("types", ticked.join(" "));
  const fragment = params.toString();
  history.replaceState(null, "", fragment === "" ? location.pathname + location.search : "#" + fragment);
}
// A new view starts at its first texture.
// The address follows once the view rests: writing it costs some
// browsers a frame's time.
let addressing = 0;
function changed() {
  cancelAnimationFrame(typing.frame);
  clearTimeout(typing.timer);
  typing.frame = typing.timer = 0;
  if (main.getBoundingClientRect().top < 0) scrollTo(0, 0);
  apply();
  clearTimeout(addressing);
  addressing = setTimeout(writeAddress, 300);
}
// Keys typed in a quick run make one change, a moment after the last and
// after the frame that shows it in the field (which some engines draw
// later than that moment).
function typed() {
  main.setAttribute("aria-busy", "true");
  cancelAnimationFrame(typing.frame);
  clearTimeout(typing.timer);
  typing.timer = 0;
  typing.frame = requestAnimationFrame(() => {
    typing.frame = 0;
    typing.timer = setTimeout(changed, 60);
  });
}
search.addEventListener("input", typed);
for (const box of boxes) box.addEventListener("change", changed);
window.addEventListener("hashchange", () => {
  if (readAddress()) apply();
});

function typingIn(element) {
  return element.matches("input:not([type=checkbox]), textarea, select, [contenteditable]");
}
document.addEventListener("keydown", (event) => {
  if (event.key !== "/" || event.ctrlKey || event.metaKey || event.altKey || dialog.open || typingIn(event.target)) return;
  event.preventDefault();
  search.focus();
  search.select();
});
search.addEventListener("keydown", (event) => {
  if (event.key === "Escape") {
    event.preventDefault();
    if (search.value !== "") {
      search.value = "";
      typed();
    }
  } else if (event.key === "Enter" || event.key === "ArrowDown") {
    event.preventDefault();
    if (typing.frame !== 0 || typing.timer !== 0) changed();
    if (shown.length !== 0) shown[0].target.focus();
  }
});

function plainClick(event) {
  return event.button === 0 && !event.ctrlKey && !event.metaKey && !event.shiftKey && !event.altKey;
}
nav.addEventListener("click", (event) => {
  const link = event.target.closest("a");
  if (link === null || !plainClick(event)) return;
  event.preventDefault();
  const details = document.getElementById(link.hash.slice(1));
  details.open = true;
  details.scrollIntoView();
  details.querySelector("summary").focus({preventScroll: true});
});

// The viewer: a click on a figure (a middle or modified click opens its
// file, as any link), or Enter on it.
const stage = dialog.querySelector(".stage");
const picture = stage.querySelector("img");
const note = dialog.querySelector(".note");
const fields = dialog.querySelectorAll("dd");
let viewed = null;
let zoom = 0;  // 0: the largest of 8, 4, 2 and 1 that fits the window
function showZoom() {
  const [width, height] = viewed.size.split("\u00d7").map(Number);
  const fits = [8, 4, 2, 1].find((z) => width * z <= innerWidth - 64 && height * z <= innerHeight * 0.7) || 1;
  const z = zoom || fits;
  picture.width = width * z;
  picture.height = height * z;
  for (const button of dialog.querySelectorAll("[data-zoom]")) button.setAttribute("aria-pressed", String(+button.dataset.zoom === z));
}
function showBackground(name) {
  stage.className = "stage " + name;
  for (const button of dialog.querySelectorAll("[data-background]")) button.setAttribute("aria-pressed", String(button.dataset.background === name));
}
function fileName(link) {
  const name = link.slice(link.lastIndexOf("/") + 1);
  try {
    return decodeURIComponent(name);
  } catch {
    return name;  // bytes that are no UTF-8
  }
}
function view(texture) {
  viewed = texture;
  const source = texture.image !== null ? texture.image.getAttribute("src") : texture.target.getAttribute("href");
  picture.hidden = source === null;
  if (source !== null) picture.src = source;
  note.hidden = texture.image !== null;
  note.textContent = texture.image !== null ? "" : texture.target.textContent;
  const file = texture.target.hasAttribute("href") ? document.createElement("a") : document.createElement("span");
  if (source !== null) file.textContent = fileName(source);
  if (texture.target.hasAttribute("href")) {
    file.href = source;
  } else if (source !== null) {
    file.append(" (not linked: browsers would open it as a document, not as an image)");
  }
  fields[0].textContent = texture.name;
  fields[1].textContent = viewed.size;
  fields[2].textContent = texture.code + " " + texture.format;
  fields[3].textContent = texture.file.path;
  fields[4].replaceChildren(file);
  showZoom();
  if (!dialog.open) dialog.showModal();
}
function step(by) {
  const next = shown[shown.indexOf(viewed) + by];
  if (next !== undefined) view(next);
}
main.addEventListener("click", (event) => {
  const figure = event.target.closest("figure");
  if (figure === null || !plainClick(event)) return;
  event.preventDefault();
  zoom = 0;
  view(textureOf.get(figure));
});
main.addEventListener("keydown", (event) => {
  // Figures without a link are buttons: Enter and Space.
  if ((event.key !== "Enter" && event.key !== " ") || !event.target.matches("figure > a:not([href])")) return;
  event.preventDefault();
  zoom = 0;
  view(textureOf.get(event.target.parentElement));
});
dialog.addEventListener("keydown", (event) => {
  if (event.key === "ArrowLeft" || event.key === "ArrowRight") {
    event.preventDefault();
    step(event.key === "ArrowLeft" ? -1 : 1);
  } else if (["1", "2", "4", "8"].includes(event.key)) {
    zoom = +event.key;
    showZoom();
  }
});
dialog.addEventListener("click", (event) => {
  const button = event.target.closest("button");
  if (button === null) {
    if (event.target === dialog) dialog.close();
  } else if (button.dataset.zoom) {
    zoom = +button.dataset.zoom;
    showZoom();
  } else if (button.dataset.background) {
    showBackground(button.dataset.background);
  } else if (button.dataset.step) {
    step(+button.dataset.step);
  } else {
    dialog.close();
  }
});
dialog.addEventListener("close", () => viewed.target.focus());
showBackground("checker");

const section = !readAddress() && document.getElementById(location.hash.slice(1));
apply();
if (section) section.scrollIntoView();
)js";

const std::string_view kPagePolicy =
    "default-src 'none'; img-src 'self'; style-src 'sha256-UlnLv2ehyBc3k5KR6lo6/w50+DEsa0Bj5Z6Ti02bgmA='; "
    "script-src 'sha256-5a3Reug0egHeI7mR0QpaL20EOMBYrCht11j2YlKCtSk='; base-uri 'none'; form-action 'none'";

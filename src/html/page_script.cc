#include "html/page_assets.h"

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

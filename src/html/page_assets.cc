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

const std::string_view kPagePolicy =
    "default-src 'none'; img-src 'self'; style-src 'sha256-UlnLv2ehyBc3k5KR6lo6/w50+DEsa0Bj5Z6Ti02bgmA='; "
    "script-src 'sha256-5a3Reug0egHeI7mR0QpaL20EOMBYrCht11j2YlKCtSk='; base-uri 'none'; form-action 'none'";

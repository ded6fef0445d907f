// The viewer of decoded pictures beside their source: a picture and one of its points are chosen,
// and their crops are shown side by side, split by a slider, flickering, and zoomed. Every stored
// text reaches the page through textContent only.
(function () {
  "use strict";
  const viewer = document.getElementById("comparison-viewer");
  const island = document.getElementById("comparison-data");
  if (!viewer || !island) return;
  const pictures = JSON.parse(island.textContent).pictures;
  const flickerMilliseconds = 500;

  function element(tag, attributes, text) {
    const made = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes || {})) made.setAttribute(name, value);
    if (text !== undefined) made.textContent = text;
    return made;
  }

  function labelled(id, label, control) {
    const wrapper = element("span");
    wrapper.append(element("label", { for: id }, label + " "), control);
    return wrapper;
  }

  if (pictures.length === 0) {
    viewer.append(element("p", {}, "No decoded picture can be shown."));
    return;
  }

  // Another curve style wins where the page offers one, so that the viewer matches its plots.
  function colourOf(point) {
    const page = window.brenlowPage;
    if (page && typeof page.styleOf === "function") {
      const style = page.styleOf(point.curve);
      if (style && style.colour) return style.colour;
    }
    return point.colour;
  }

  const pictureSelect = element("select", { id: "comparison-picture" });
  pictures.forEach((picture, index) => pictureSelect.append(element("option", { value: index }, picture.name)));
  const pointSelect = element("select", { id: "comparison-point" });
  const zoomSelect = element("select", { id: "comparison-zoom" });
  for (const factor of [1, 2, 4]) zoomSelect.append(element("option", { value: factor }, factor + "x"));
  const slider = element("input", { id: "comparison-split", type: "range", min: 0, max: 100, value: 50 });
  const flickerButton = element("button", { id: "comparison-flicker", type: "button", "aria-pressed": "false" },
                                "Flicker");
  const controls = element("div", { class: "comparison-controls" });
  controls.append(labelled("comparison-picture", "Picture", pictureSelect),
                  labelled("comparison-point", "Point", pointSelect),
                  labelled("comparison-zoom", "Zoom", zoomSelect),
                  labelled("comparison-split", "Split (source left, decoded right)", slider), flickerButton);

  const details = element("p", { id: "comparison-details" });
  const measures = element("table", { id: "comparison-measures" });

  function figure(caption, image) {
    const frame = element("div", { class: "comparison-frame" });
    frame.append(image);
    const made = element("figure");
    made.append(frame, element("figcaption", {}, caption));
    return made;
  }
  const sourceImage = element("img", { id: "comparison-source", alt: "source crop" });
  const decodedImage = element("img", { id: "comparison-decoded", alt: "decoded crop" });
  const stageBottom = element("img", { alt: "decoded crop under the split" });
  const stageTop = element("img", { class: "comparison-top", alt: "source crop over the split" });
  const divider = element("div", { class: "comparison-divider", "aria-hidden": "true" });
  const stage = element("div", { id: "comparison-stage", class: "comparison-stage" });
  stage.append(stageBottom, stageTop, divider);
  const row = element("div", { class: "comparison-row" });
  row.append(figure("Source", sourceImage), figure("Decoded", decodedImage),
             figure("Split: source left, decoded right; flicker: each in turn", stage));
  viewer.append(controls, details, measures, row);

  function currentPicture() { return pictures[Number(pictureSelect.value)]; }

  function fillPoints() {
    pointSelect.replaceChildren();
    currentPicture().points.forEach((point, index) => pointSelect.append(
      element("option", { value: index }, point.curve + " at quality " + point.quality + ", " + point.bpp + " bpp")));
    if (currentPicture().points.length === 0) pointSelect.append(element("option", { value: "" }, "none shown"));
  }

  function showSplit() {
    stageTop.style.visibility = "visible";
    stageTop.style.clipPath = "inset(0 " + (100 - Number(slider.value)) + "% 0 0)";
    divider.style.left = slider.value + "%";
    divider.hidden = false;
  }

  function showZoom() {
    const picture = currentPicture();
    const factor = Number(zoomSelect.value);
    for (const image of [sourceImage, decodedImage, stageBottom, stageTop]) {
      image.style.width = picture.crop.width * factor + "px";
      image.style.height = picture.crop.height * factor + "px";
    }
  }

  function showDetails(picture, point) {
    const crop = picture.crop;
    const where = "crop of " + crop.width + " x " + crop.height + " pixels at (" + crop.x + ", " + crop.y +
                  ") of " + picture.width + " x " + picture.height;
    details.replaceChildren();
    measures.replaceChildren();
    if (!point) {
      details.textContent = picture.name + ": no decoded picture of it can be shown; " + where + ".";
      return;
    }
    const swatch = element("span", { class: "comparison-swatch", "aria-hidden": "true" });
    swatch.style.background = colourOf(point);
    details.append(swatch, element("strong", {}, point.curve),
                   " at quality " + point.quality + ", " + point.bpp + " bits per pixel; " + where + ".");
    for (const [label, value] of point.measures) {
      const line = element("tr");
      line.append(element("th", {}, label), element("td", { class: "num" }, value));
      measures.append(line);
    }
  }

  function show() {
    const picture = currentPicture();
    const point = picture.points[Number(pointSelect.value)];
    sourceImage.src = picture.source;
    stageTop.src = picture.source;
    for (const image of [decodedImage, stageBottom]) {
      if (point) image.src = point.image;
      else image.removeAttribute("src");
    }
    showDetails(picture, point);
    showZoom();
  }

  let flickerTimer = null;
  function stopFlicker() {
    if (flickerTimer === null) return;
    clearInterval(flickerTimer);
    flickerTimer = null;
    flickerButton.setAttribute("aria-pressed", "false");
    showSplit();
  }
  function startFlicker() {
    flickerButton.setAttribute("aria-pressed", "true");
    stageTop.style.clipPath = "none";
    divider.hidden = true;
    flickerTimer = setInterval(() => {
      stageTop.style.visibility = stageTop.style.visibility === "hidden" ? "visible" : "hidden";
    }, flickerMilliseconds);
  }

  pictureSelect.addEventListener("change", () => { fillPoints(); show(); });
  pointSelect.addEventListener("change", show);
  zoomSelect.addEventListener("change", showZoom);
  slider.addEventListener("input", () => { stopFlicker(); showSplit(); });
  flickerButton.addEventListener("click", () => { if (flickerTimer === null) startFlicker(); else stopFlicker(); });

  fillPoints();
  showSplit();
  show();
})();

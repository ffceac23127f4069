#!/usr/bin/python3
"""Renders the example project opened in QGIS through the SIMA driver: lots, the centre line's
alignment and routes, and the survey points labelled with their names, as docs/screenshots/qgis.png.

  tools/qgis_screenshot.py BUILD_DIR [OUT.png]
Needs python3-qgis (QGIS' own map renderer, on Qt's offscreen platform) and fonts-ipafont-gothic.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
os.environ["GDAL_DRIVER_PATH"] = os.path.join(os.path.abspath(sys.argv[1]), "lib", "gdalplugins")
os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

from qgis.core import (QgsApplication, QgsMapRendererParallelJob, QgsMapSettings,  # noqa: E402
                       QgsPalLayerSettings, QgsRectangle, QgsTextBufferSettings, QgsTextFormat,
                       QgsVectorLayer, QgsVectorLayerSimpleLabeling)
from qgis.PyQt.QtCore import QSize  # noqa: E402
from qgis.PyQt.QtGui import QColor, QFont  # noqa: E402

SIMA = os.path.join(HERE, "..", "examples", "road-project.sim")
OUT = sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, "..", "docs", "screenshots", "qgis.png")

# Layer, symbol properties (QGIS' simple symbol keys).
STYLES = [
    ("lots", {"color": "255,244,214,255", "outline_color": "180,140,60,255", "outline_width": "0.3"}),
    ("routes", {"line_color": "90,120,200,255", "line_width": "0.35", "line_style": "dash"}),
    ("alignments", {"line_color": "200,30,30,255", "line_width": "0.9"}),
    ("points", {"name": "circle", "color": "20,20,20,255", "size": "1.6", "outline_style": "no"}),
]


def label_names(layer):
    text = QgsTextFormat()
    text.setFont(QFont("IPAGothic"))
    text.setSize(8)
    buffer = QgsTextBufferSettings()
    buffer.setEnabled(True)
    buffer.setColor(QColor("white"))
    text.setBuffer(buffer)
    settings = QgsPalLayerSettings()
    settings.fieldName = "Name"
    settings.setFormat(text)
    layer.setLabeling(QgsVectorLayerSimpleLabeling(settings))
    layer.setLabelsEnabled(True)


def main():
    app = QgsApplication([], False)
    app.initQgis()
    layers = []
    for name, properties in STYLES:
        layer = QgsVectorLayer(f"{SIMA}|layername={name}|option:ZONE=9", name, "ogr")
        if not layer.isValid():
            sys.exit(f"QGIS cannot open {name} of {SIMA} (is the SIMA driver built?)")
        symbol = layer.renderer().symbol()
        symbol.changeSymbolLayer(0, type(symbol.symbolLayer(0)).create(properties))
        if name == "points":
            label_names(layer)
        layers.append(layer)
    settings = QgsMapSettings()
    settings.setLayers(list(reversed(layers)))  # points on top
    settings.setDestinationCrs(layers[0].crs())
    settings.setBackgroundColor(QColor("white"))
    settings.setOutputSize(QSize(1400, 620))
    # The stretch where the road bends round its second intersection point: a curve between its
    # spirals, lots on both sides.
    points = layers[-1]
    middle = next(f for f in points.getFeatures() if f["Name"] == "IP.2").geometry().asPoint()
    settings.setExtent(QgsRectangle(middle.x() - 170, middle.y() - 55, middle.x() + 170, middle.y() + 95))
    job = QgsMapRendererParallelJob(settings)
    job.start()
    job.waitForFinished()
    image = job.renderedImage()
    image.save(OUT, "png")
    print(f"{OUT}: {image.width()}x{image.height()}")
    del layers, job
    app.exitQgis()


if __name__ == "__main__":
    main()

<?xml version="1.0" encoding="UTF-8"?>
<!-- Entry stylesheet of every result file: head, fixed header with the navigation, content. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:include href="htmlHead.xslt"/>
  <xsl:include href="header.xslt"/>
  <xsl:include href="navigation.xslt"/>
  <xsl:include href="resultSet.xslt"/>

  <xsl:output method="html" version="4.01" encoding="UTF-8" indent="yes"
              doctype-public="-//W3C//DTD HTML 4.01 Transitional//EN"
              doctype-system="http://www.w3.org/TR/html4/loose.dtd"/>

  <xsl:template match="/">
    <html>
      <xsl:call-template name="htmlHead"/>
      <body onmousedown="SaveMousePosition(event)">
        <div id="mask">PLEASE WAIT...</div>
        <div id="divFixedHeader">
          <xsl:call-template name="header"/>
          <xsl:call-template name="navigation"/>
        </div>
        <!-- An invisible copy of the header keeps the content below the fixed one. -->
        <div id="divHeaderSpacer">
          <xsl:call-template name="header"/>
          <xsl:call-template name="navigation">
            <xsl:with-param name="copy" select="true()"/>
          </xsl:call-template>
        </div>
        <xsl:apply-templates select="GathrixResult/*"/>
      </body>
    </html>
  </xsl:template>
</xsl:stylesheet>

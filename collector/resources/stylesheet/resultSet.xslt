<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:include href="tree.xslt"/>
  <xsl:include href="plaintext.xslt"/>

  <!-- A page without a tree (the general page) holds the jobs' elements directly: each run of
       them between the other parts of the page is a list of its own, in the page's order. -->
  <xsl:template match="ResultSet">
    <xsl:variable name="parts" select="*"/>
    <xsl:variable name="others" select="*[not(self::TreeElement)]"/>
    <xsl:variable name="first">
      <xsl:choose>
        <xsl:when test="$others"><xsl:value-of select="count($others[1]/preceding-sibling::*) + 1"/></xsl:when>
        <xsl:otherwise><xsl:value-of select="count($parts) + 1"/></xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <div id="divContent">
      <xsl:call-template name="elementList">
        <xsl:with-param name="elements" select="$parts[position() &lt; number($first)]"/>
      </xsl:call-template>
      <xsl:for-each select="$others">
        <xsl:variable name="after" select="count(preceding-sibling::*) + 1"/>
        <xsl:variable name="next" select="following-sibling::*[not(self::TreeElement)][1]"/>
        <xsl:variable name="before">
          <xsl:choose>
            <xsl:when test="$next"><xsl:value-of select="count($next/preceding-sibling::*) + 1"/></xsl:when>
            <xsl:otherwise><xsl:value-of select="count($parts) + 1"/></xsl:otherwise>
          </xsl:choose>
        </xsl:variable>
        <xsl:apply-templates select="."/>
        <xsl:call-template name="elementList">
          <xsl:with-param name="elements" select="$parts[position() &gt; $after and position() &lt; number($before)]"/>
        </xsl:call-template>
      </xsl:for-each>
    </div>
  </xsl:template>

  <xsl:template name="elementList">
    <xsl:param name="elements"/>
    <xsl:if test="$elements">
      <ul class="collapsableTree">
        <xsl:apply-templates select="$elements"/>
      </ul>
    </xsl:if>
  </xsl:template>
</xsl:stylesheet>
